// Row texts, size texts and the wrap-around rules of Next and Previous.
#include "ListRowText.h"
#include "NavigationRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(ListRowText, NumbersRowsWithFourDigitsAndWidensBeyond)
{
  EXPECT_EQ(FormatRowText(0, "20240101_000000_N.mp4"), "0000. 20240101_000000_N.mp4");
  EXPECT_EQ(FormatRowText(42, "a"), "0042. a");
  EXPECT_EQ(FormatRowText(9999, "a"), "9999. a");
  EXPECT_EQ(FormatRowText(10000, "a"), "10000. a");
}

TEST(ListRowText, NameIsEverythingAfterTheFirstBlank)
{
  EXPECT_EQ(RowTextName("0003. x_N.mp4"), "x_N.mp4");
  EXPECT_EQ(RowTextName("0003. name with blanks_E.mp4"), "name with blanks_E.mp4");
  EXPECT_EQ(RowTextName(FormatRowText(10000, "b_U.mp4")), "b_U.mp4");
  EXPECT_EQ(RowTextName(""), "");
  EXPECT_EQ(RowTextName("noblank"), "");
}

TEST(ListRowText, SizeTextsIncludeTheirUpperBound)
{
  const struct {
    std::int32_t size;
    const char* text;
  } cases[] = {
    {0, "0.00 KB"},
    {512, "0.50 KB"},
    {1024, "1.00 KB"},
    {1048576, "1024.00 KB"},
    {1048577, "1.00 MB"},
    {5 * 1048576 + 524288, "5.50 MB"},
    {1073741824, "1024.00 MB"},
    {1073741825, "1.00 GB"},
    {INT32_MAX, "2.00 GB"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatSizeText(c.size), c.text) << c.size;
}

TEST(NavigationRules, NextAndPreviousWrapAtTheEnds)
{
  const struct {
    int c, n, next, previous;
  } cases[] = {
    {0, 5, 1, 4},    // first row: previous wraps to the last
    {2, 5, 3, 1},
    {4, 5, 0, 3},    // last row: next wraps to the first
    {0, 1, 0, 0},    // a single row stays on itself
    {0, 0, 0, -1},   // empty list: previous gives -1 ...
    {-1, 0, 0, -1},  // ... and next from there gives 0
    {-1, 3, -1, -1}, // out-of-range rows stay where they are
    {-2, 3, -2, -2},
    {3, 3, 3, 3},
    {7, 3, 7, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdvanceNext(c.c, c.n), c.next) << "next c=" << c.c << " n=" << c.n;
    EXPECT_EQ(AdvancePrevious(c.c, c.n), c.previous) << "previous c=" << c.c << " n=" << c.n;
  }
}
