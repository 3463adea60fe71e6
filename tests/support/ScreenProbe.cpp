#include "ScreenProbe.h"

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

std::string Shell(const std::string& command, int* status) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int rc = pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  } else if (status) {
    *status = -1;
  }
  return out;
}

std::vector<ShownWindow> WindowsOf(pid_t pid, bool visibleOnly) {
  std::istringstream ids(Shell(std::string("xdotool search ") + (visibleOnly ? "--onlyvisible " : "") + "--pid " +
                             std::to_string(pid) + " 2>/dev/null"));
  std::vector<ShownWindow> windows;
  std::string id;
  while (ids >> id) {
    std::istringstream geometry(Shell("xdotool getwindowgeometry --shell " + id + " 2>/dev/null"));
    ShownWindow window{id, {}};
    Rect& r = window.rect;
    std::string line;
    while (std::getline(geometry, line)) {
      if (line.rfind("X=", 0) == 0) r.x = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) r.y = std::stoi(line.substr(2));
      if (line.rfind("WIDTH=", 0) == 0) r.w = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) r.h = std::stoi(line.substr(7));
    }
    windows.push_back(window);
  }
  return windows;
}

std::optional<ShownWindow> LargestWindow(pid_t pid) {
  std::optional<ShownWindow> best;
  for (const ShownWindow& window : WindowsOf(pid))
    if (!best || window.rect.w * window.rect.h > best->rect.w * best->rect.h) best = window;
  return best;
}

QImage Screenshot(const fs::path& dir, const std::string& name) {
  fs::create_directories(dir);
  const fs::path path = dir / (name + ".png");
  Shell("import -window root '" + path.string() + "' 2>/dev/null");
  return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
}

// No --sync: xdotool then waits about 15 s when the pointer is already at (x, y). The server
// handles the move before the click either way.
void Click(int x, int y, int button, const std::string& options) {
  Shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click " + options + " " +
      std::to_string(button));
}

void Key(const std::string& window, const std::string& key) {
  Shell("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key " + key);
}

}  // namespace e2e
