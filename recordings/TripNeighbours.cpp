#include "TripNeighbours.h"

#include <ctime>

std::optional<std::int64_t> RecordingStartSeconds(std::string_view name)
{
  // "YYYYMMDD_HHMMSS"
  if (name.size() < 15 || name[8] != '_')
    return std::nullopt;
  int digits[14];
  for (int i = 0, j = 0; i < 15; ++i) {
    if (i == 8)
      continue;
    if (name[i] < '0' || name[i] > '9')
      return std::nullopt;
    digits[j++] = name[i] - '0';
  }
  auto number = [&](int from, int count) {
    int n = 0;
    for (int i = from; i < from + count; ++i)
      n = n * 10 + digits[i];
    return n;
  };
  std::tm t{};
  t.tm_year = number(0, 4) - 1900;
  t.tm_mon = number(4, 2) - 1;
  t.tm_mday = number(6, 2);
  t.tm_hour = number(8, 2);
  t.tm_min = number(10, 2);
  t.tm_sec = number(12, 2);
  if (t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 60)
    return std::nullopt;
  // The civil time read as UTC: only differences matter, and no zone's daylight saving jumps.
  return static_cast<std::int64_t>(timegm(&t));
}

bool ContinuesTrip(std::int64_t earlier_start, double earlier_seconds, std::int64_t later_start)
{
  const double gap = static_cast<double>(later_start - earlier_start) - earlier_seconds;
  return gap >= -kTripOverlapSeconds && gap <= kTripGapSeconds;
}

TripNeighbours::TripNeighbours(std::vector<std::string> names, int current, double current_seconds)
    : m_names(std::move(names)),
      m_sides{{+1, current, current_seconds}, {-1, current, current_seconds}}
{
  if (current < 0 || current >= static_cast<int>(m_names.size()) || !RecordingStartSeconds(m_names[current]))
    m_sides[0].open = m_sides[1].open = false;
}

int TripNeighbours::Next()
{
  for (int tries = 0; tries < 2; ++tries) {
    const int s = m_next_side;
    m_next_side = 1 - m_next_side;
    Side& side = m_sides[s];
    const int row = side.frontier + side.step;
    if (side.open && (m_found >= kTripMaxNeighbours || row < 0 || row >= static_cast<int>(m_names.size())))
      side.open = false;
    if (!side.open)
      continue;
    m_pending = row;
    m_pending_side = s;
    return row;
  }
  return -1;
}

bool TripNeighbours::Scanned(int row, double seconds)
{
  if (row != m_pending || m_pending_side < 0)
    return false;
  Side& side = m_sides[m_pending_side];
  m_pending = m_pending_side = -1;
  const auto known = RecordingStartSeconds(m_names[side.frontier]);
  const auto start = RecordingStartSeconds(m_names[row]);
  // Whichever of the two began first must run on into the other.
  bool continues = false;
  if (known && start)
    continues = *start >= *known ? ContinuesTrip(*known, side.frontier_seconds, *start)
                                 : ContinuesTrip(*start, seconds, *known);
  if (!continues) {
    side.open = false;
    return false;
  }
  side.frontier = row;
  side.frontier_seconds = seconds;
  ++m_found;
  return true;
}
