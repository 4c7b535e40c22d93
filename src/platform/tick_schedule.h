// When a periodic timer's ticks fall, so that they do not drift.
#pragma once

#include <cstdint>

namespace minute_alarm {

// How early a wake-up may come and still count as its tick: Windows' SetTimer
// rounds its delays to the system tick (15.6 ms by default).
inline constexpr std::int64_t kEarlyToleranceMicroseconds = 16'000;

struct TickStep {
  bool deliver;                    // call the program's timer procedure now
  std::int64_t ticksDelivered;     // ticks accounted for so far, the new one included
  std::uint32_t waitMilliseconds;  // until the next tick at start + (ticksDelivered + 1) * period
};

// A clock's counts since the start, at `frequency` counts a second, as whole microseconds
// (rounded down): exact for every count at any frequency below 9 THz, where counts * 1e6 alone
// leaves 64 bits after 10.7 days at 10 MHz.
std::int64_t MicrosecondsFromCounts(std::int64_t counts, std::int64_t frequency);

// Ticks fall on start + n * period (n >= 1). A callback at `elapsed` (since
// the start) delivers at most one tick however many were missed, as Windows
// coalesces WM_TIMER, and waits for the next one on the schedule.
TickStep NextTickStep(std::int64_t elapsedMicroseconds, std::int64_t periodMicroseconds,
                      std::int64_t ticksDelivered);

}  // namespace minute_alarm
