#include "DebounceSeconds.h"

#include <ctime>

std::int32_t debounce_now_seconds = 0;
std::int32_t debounce_last_seconds = 0;

std::int32_t DebounceClockSeconds()
{
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::time(nullptr)));
}

bool AcceptListDoubleClick(std::int32_t now)
{
  debounce_now_seconds = now;
  if (debounce_last_seconds != 0 && !(std::int64_t{debounce_last_seconds} + 1 < debounce_now_seconds))
    return false;
  debounce_last_seconds = debounce_now_seconds;
  return true;
}
