// The recordings of one trip around the current one in a list. A camera cuts a drive into
// recordings of a minute or so; the next one starts where the last one ended. Two recordings
// are on one trip when the later one's start (from its name, "YYYYMMDD_HHMMSS_...") lies
// between kTripOverlapSeconds before and kTripGapSeconds after the end of the earlier one
// (its start plus its length). Walking out from the current row, a direction ends at the
// first row that is not continuous with the last one found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr double kTripGapSeconds = 5.0;
constexpr double kTripOverlapSeconds = 3.0;
constexpr int kTripMaxNeighbours = 60;

// Seconds of the civil date and time in a recording's name (no time zone), or nullopt.
std::optional<std::int64_t> RecordingStartSeconds(std::string_view name);

// Whether a recording starting at `later_start` continues one that started at `earlier_start`
// and lasted `earlier_seconds`.
bool ContinuesTrip(std::int64_t earlier_start, double earlier_seconds, std::int64_t later_start);

// Plans the scans of a trip's recordings around row `current` of a list (names in list
// order): nearest first, alternating between the rows after and before it, at most
// kTripMaxNeighbours. Each row's length is known only once it is scanned, so each candidate
// is scanned first and then confirmed or refused; a refusal ends that direction.
class TripNeighbours {
public:
  TripNeighbours(std::vector<std::string> names, int current, double current_seconds);

  // The next row to scan, or -1 when the trip is complete.
  int Next();
  // The scan of `row` (the last one Next gave) found it `seconds` long: true when it is on the
  // trip.
  bool Scanned(int row, double seconds);

private:
  struct Side {
    int step;          // +1 later rows, -1 earlier rows
    int frontier;      // the last row confirmed on this side (the current one at first)
    double frontier_seconds;
    bool open = true;
  };
  std::vector<std::string> m_names;
  Side m_sides[2];
  int m_next_side = 0;
  int m_pending = -1;
  int m_pending_side = -1;
  int m_found = 0;
};
