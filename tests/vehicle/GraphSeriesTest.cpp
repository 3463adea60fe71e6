#include "GraphSeries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(GraphSeries, SampleRowsAndRange) {
  struct Case {
    double v;
    bool stored;
    int32_t row;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {1.0, true, 0},     {-1.0, true, 122},  {0.0, true, 61},   {0.5, true, 31},
      {-0.5, true, 91},   {0.01, true, 61},   {-0.99, true, 121}, {1.01, false, 0},
      {-1.01, false, 0},  {nan, false, 0},    {std::numeric_limits<double>::infinity(), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    GraphSeries s(0);
    EXPECT_EQ(s.Add(c.v), c.stored);
    EXPECT_EQ(s.writePos, c.stored ? 1 : 0);
    if (c.stored) {
      EXPECT_EQ(s.pixelY[0], c.row);
      EXPECT_EQ(s.value[0], c.v);
    }
  }
}

TEST(GraphSeries, RingStartsAgainFromEmptyAfter1024Samples) {
  GraphSeries s(2);
  for (int i = 0; i < GraphSeries::kCapacity - 1; ++i) ASSERT_TRUE(s.Add(0.25));
  EXPECT_EQ(s.writePos, 1023);
  EXPECT_TRUE(s.Add(-0.25));
  EXPECT_EQ(s.writePos, 0);
  EXPECT_EQ(s.pixelY[1023], GraphSeries::PixelRow(-0.25));
  EXPECT_TRUE(s.Add(1.0));
  EXPECT_EQ(s.writePos, 1);
  EXPECT_EQ(s.pixelY[0], 0);
}
