#pragma once
// Whole-second guard against repeated activations, shared by the list pages' double-click and
// the main window's full-screen toggle: both read and write the same two counters.
#include <cstdint>

// Time of the latest attempt and of the last accepted one, in whole seconds since 1970 reduced
// to their low 32 bits; both 0 at start.
extern std::int32_t debounce_now_seconds;
extern std::int32_t debounce_last_seconds;

// The current calendar time in whole seconds, low 32 bits read as a signed number.
std::int32_t DebounceClockSeconds();

// The list pages' rule: sets debounce_now_seconds to `now`; accepts (and records `now` as the
// last accepted time) when nothing was accepted yet or the last acceptance lies more than one
// second back, so a second double-click within the same or the next second is refused.
bool AcceptListDoubleClick(std::int32_t now);
