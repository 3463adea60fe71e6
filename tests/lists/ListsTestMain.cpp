// Widget tests need a QApplication (and a display); listing the tests needs neither.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests))
    return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  // Navigation waits one double-click time per step; keep the suite quick.
  QApplication::setDoubleClickInterval(100);
  return RUN_ALL_TESTS();
}
