// Which recordings around the current one belong to its trip, and in which order they are
// scanned.
#include "TripNeighbours.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

TEST(TripNeighbours, StartTimesComeFromTheNames)
{
  EXPECT_EQ(*RecordingStartSeconds("20261210_100001_N.mp4") - *RecordingStartSeconds("20261210_095959_N.mp4"), 2);
  EXPECT_EQ(*RecordingStartSeconds("20270101_000000_NOR.mp4") - *RecordingStartSeconds("20261231_235930_NOR.mp4"), 30);
  for (const char* bad : {"", "REC_N.mp4", "20261210-100001_N.mp4", "2026121_100001_N.mp4", "20261310_100001_N.mp4",
                          "20261210_250001_N.mp4", "20261210_10000x_N.mp4"})
    EXPECT_FALSE(RecordingStartSeconds(bad)) << bad;
}

TEST(TripNeighbours, ContinuityAllowsAFewSecondsEitherWay)
{
  const struct {
    double earlier_seconds;
    std::int64_t later_start;  // the earlier one starts at 0
    bool continues;
  } cases[] = {
      {60, 60, true},   {60, 61, true},  {59.6, 60, true}, {60, 65, true}, {60, 66, false},
      {60, 57, true},   {60, 56, false}, {60, 3600, false}, {0.5, 1, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ContinuesTrip(0, c.earlier_seconds, c.later_start), c.continues) << c.earlier_seconds << " " << c.later_start;
}

// One-minute recordings from 10:00 to 10:05, with others five minutes before and half an hour
// after; the current one is 10:02's. Rows are scanned nearest first, after and before in turn.
TEST(TripNeighbours, WalksOutUntilEachSideBreaks)
{
  const std::vector<std::string> names = {
      "20261210_095500_N.mp4",  // 0: five minutes before the trip
      "20261210_100000_N.mp4",  // 1
      "20261210_100100_N.mp4",  // 2
      "20261210_100200_N.mp4",  // 3: current
      "20261210_100301_N.mp4",  // 4
      "20261210_100401_N.mp4",  // 5
      "20261210_103300_N.mp4",  // 6: after the break
  };
  TripNeighbours trip(names, 3, 60.0);
  std::vector<int> scanned;
  std::vector<int> on_trip;
  for (int row = trip.Next(); row >= 0; row = trip.Next()) {
    scanned.push_back(row);
    if (trip.Scanned(row, 60.0))
      on_trip.push_back(row);
  }
  EXPECT_EQ(scanned, (std::vector<int>{4, 2, 5, 1, 6, 0}));
  EXPECT_EQ(on_trip, (std::vector<int>{4, 2, 5, 1}));
}

TEST(TripNeighbours, EarlierRowsAreJudgedByTheirOwnLengthAndTheWalkStopsAtSixty)
{
  // A short earlier recording (20 s) ending 40 s before the current one is not on the trip.
  {
    TripNeighbours trip({"20261210_100000_N.mp4", "20261210_100100_N.mp4"}, 1, 60.0);
    ASSERT_EQ(trip.Next(), 0);
    EXPECT_FALSE(trip.Scanned(0, 20.0));
    EXPECT_EQ(trip.Next(), -1);
  }
  // A current recording without a time in its name has no trip.
  {
    TripNeighbours trip({"a_N.mp4", "20261210_100100_N.mp4"}, 0, 60.0);
    EXPECT_EQ(trip.Next(), -1);
  }
  // A two-hour drive in one-minute recordings: sixty neighbours at most.
  std::vector<std::string> names;
  for (int minute = 0; minute < 120; ++minute) {
    char name[32];
    std::snprintf(name, sizeof name, "20261210_%02d%02d00_N.mp4", 10 + minute / 60, minute % 60);
    names.push_back(name);
  }
  TripNeighbours trip(names, 100, 60.0);
  int found = 0;
  for (int row = trip.Next(); row >= 0; row = trip.Next())
    found += trip.Scanned(row, 60.0);
  EXPECT_EQ(found, kTripMaxNeighbours);
}
