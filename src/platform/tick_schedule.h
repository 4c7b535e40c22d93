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

// Ticks fall on start + n * period (n >= 1). A callback at `elapsed` (since
// the start) delivers at most one tick however many were missed, as Windows
// coalesces WM_TIMER, and waits for the next one on the schedule.
TickStep NextTickStep(std::int64_t elapsedMicroseconds, std::int64_t periodMicroseconds,
                      std::int64_t ticksDelivered);

}  // namespace minute_alarm
