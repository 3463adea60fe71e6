#include "ViewerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string NameOf(const std::string& setting) { return setting.substr(0, setting.find('=') + 1); }

// The inherited environment with `settings` replacing any entry of the same name: a second
// entry would not count, getenv returns the first.
std::vector<std::string> Environment(const std::vector<std::string>& settings) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& setting : settings) replaced = replaced || entry.rfind(NameOf(setting), 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), settings.begin(), settings.end());
  return env;
}

std::string Tail(const std::string& text, size_t chars) {
  if (text.size() <= chars) return text;
  const size_t line = text.find('\n', text.size() - chars);
  return "...\n" + text.substr(line == std::string::npos ? text.size() - chars : line + 1);
}

}  // namespace

void ViewerProcess::Start(const ViewerLaunch& launch) {
  const fs::path runtime = launch.runtime.empty() ? launch.folder / "runtime" : launch.runtime;
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);  // what Qt expects of a runtime directory
  errors_ = launch.folder / "stderr.txt";
  ended_ = false;
  waitStatus_ = 0;

  std::vector<std::string> settings = {"TAVRO_MESSAGE_BOX_STDERR=1",
                                       "XDG_RUNTIME_DIR=" + runtime.string(),
                                       "QT_QPA_PLATFORM=xcb"};
  if (!std::getenv("SDL_AUDIODRIVER")) settings.push_back("SDL_AUDIODRIVER=dummy");
  settings.insert(settings.end(), launch.env.begin(), launch.env.end());
  std::vector<std::string> env = Environment(settings);
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> args = {launch.argv0.empty() ? launch.program.string() : launch.argv0};
  args.insert(args.end(), launch.args.begin(), launch.args.end());
  std::vector<char*> argv;
  for (std::string& s : args) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, launch.folder.c_str());
  const int rc = posix_spawn(&pid_, launch.program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) pid_ = -1;
  ASSERT_EQ(rc, 0) << "cannot start " << launch.program << ": " << std::strerror(rc);
}

bool ViewerProcess::Running() {
  if (pid_ <= 0 || ended_) return false;
  if (waitpid(pid_, &waitStatus_, WNOHANG) != pid_) return true;
  ended_ = true;
  return false;
}

std::optional<int> ViewerProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (pid_ <= 0 || !WaitFor([&] { return !Running(); }, limit)) return std::nullopt;
  return waitStatus_;
}

bool ViewerProcess::Terminate(std::chrono::milliseconds limit) {
  if (Running()) kill(pid_, SIGTERM);
  return WaitForExit(limit).has_value();
}

void ViewerProcess::Kill() {
  if (!Running()) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, &waitStatus_, 0);
  ended_ = true;
}

std::string ViewerProcess::Errors() const {
  std::ifstream in(errors_);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

::testing::AssertionResult ViewerProcess::WaitForWindow(int width, int height, ShownWindow* window,
                                                        std::chrono::milliseconds limit) {
  const auto start = std::chrono::steady_clock::now();
  std::optional<ShownWindow> found;
  auto right = [&] { return found && found->rect.w == width && found->rect.h == height; };
  WaitFor([&] {
    found = LargestWindow();
    return right() || !Running();
  }, limit);
  if (right()) {
    *window = *found;
    return ::testing::AssertionSuccess();
  }
  std::ostringstream waited;
  waited << std::fixed << std::setprecision(1)
         << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " s (limit "
         << limit.count() / 1000.0 << " s)";
  return ::testing::AssertionFailure() << "no " << width << " x " << height << " window of the viewer after "
                                       << waited.str() << "; " << Describe();
}

std::string ViewerProcess::Describe() {
  std::ostringstream out;
  out << "the viewer (pid " << pid_ << ") ";
  if (pid_ <= 0)
    out << "was not started";
  else if (Running())
    out << "is still running";
  else if (WIFEXITED(waitStatus_))
    out << "exited with status " << WEXITSTATUS(waitStatus_);
  else if (WIFSIGNALED(waitStatus_))
    out << "was killed by signal " << WTERMSIG(waitStatus_) << " (" << strsignal(WTERMSIG(waitStatus_)) << ")";
  out << "\nits windows:";
  const std::vector<ShownWindow> visible = pid_ > 0 ? WindowsOf(pid_) : std::vector<ShownWindow>();
  const std::vector<ShownWindow> all = pid_ > 0 ? WindowsOf(pid_, false) : std::vector<ShownWindow>();
  if (all.empty()) out << " none";
  for (const ShownWindow& w : all) {
    bool mapped = false;
    for (const ShownWindow& v : visible) mapped = mapped || v.id == w.id;
    out << "\n  " << w.id << ": " << w.rect.w << " x " << w.rect.h << " at " << w.rect.x << ", " << w.rect.y
        << (mapped ? " (visible)" : " (not visible)");
  }
  const std::string errors = Errors();
  out << "\nits standard error" << (errors.empty() ? " is empty" : ":\n" + Tail(errors, 3000));
  return out.str();
}

}  // namespace e2e
