// Runs the tests inside a QApplication, in a scratch working directory (the panel writes
// Config.ini there when it switches the device model).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // test discovery needs no display
  QApplication app(argc, argv);
  QTemporaryDir scratch;
  if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) return 1;
  return RUN_ALL_TESTS();
}
