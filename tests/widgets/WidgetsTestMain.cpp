// Runs the tests inside a QApplication (the widget tests need a real X display).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // test discovery needs no display
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
