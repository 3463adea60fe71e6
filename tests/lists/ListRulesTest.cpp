// Row texts, size texts and the wrap-around rules of Next and Previous.
#include "DebounceSeconds.h"
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

TEST(ListRowText, SizeTextsIncludeTheirUpperBound)
{
  const struct {
    std::uint64_t size;
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
    {3ull << 30, "3.00 GB"},
    {(1ull << 32) - 1, "4.00 GB"},  // the largest file a FAT32 card holds
    {5ull << 30, "5.00 GB"},        // exFAT cards and disks hold more
    {1ull << 40, "1024.00 GB"},
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

TEST(DebounceSeconds, ListDoubleClickWaitsUntilTheSecondAfterNext)
{
  debounce_last_seconds = 0;
  const struct {
    std::int32_t now;
    bool accepted;
    std::int32_t last_after;
  } steps[] = {
    {1000, true, 1000},   // the first one is always taken
    {1000, false, 1000},  // same second
    {1001, false, 1000},  // next second
    {1002, true, 1002},
    {1003, false, 1002},
    {5000, true, 5000},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(AcceptListDoubleClick(step.now), step.accepted) << step.now;
    EXPECT_EQ(debounce_now_seconds, step.now);
    EXPECT_EQ(debounce_last_seconds, step.last_after);
  }
  debounce_last_seconds = 0;
  debounce_now_seconds = 0;
}
