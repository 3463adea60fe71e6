// One QApplication for all widget tests; each test works in a fresh temporary folder so that
// Config.ini and log.txt never touch the source tree, and sees an empty mount table so that no
// drive of the machine passes for a recording card.
#include <QApplication>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  const auto dir = std::filesystem::temp_directory_path() / ("tavro-ui-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "mountinfo").flush();
  setenv("TAVRO_MOUNTINFO", (dir / "mountinfo").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::filesystem::current_path(dir);
  // The main window's map is a web view: set up as the viewer sets it up.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
  return result;
}
