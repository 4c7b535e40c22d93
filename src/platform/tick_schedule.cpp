#include "platform/tick_schedule.h"

#include <algorithm>

namespace minute_alarm {

std::int64_t MicrosecondsFromCounts(std::int64_t counts, std::int64_t frequency) {
  constexpr std::int64_t kPerSecond = 1'000'000;
  // The remainder is below the frequency, so its product stays below 1e6 * frequency.
  return counts / frequency * kPerSecond + counts % frequency * kPerSecond / frequency;
}

TickStep NextTickStep(std::int64_t elapsedMicroseconds, std::int64_t periodMicroseconds,
                      std::int64_t ticksDelivered) {
  const std::int64_t due =
      std::max<std::int64_t>(0, elapsedMicroseconds + kEarlyToleranceMicroseconds) /
      periodMicroseconds;
  TickStep step{false, ticksDelivered, 0};
  if (due > ticksDelivered) {
    step.deliver = true;
    step.ticksDelivered = due;
  }
  const std::int64_t wait = (step.ticksDelivered + 1) * periodMicroseconds - elapsedMicroseconds;
  // Round up: a timer that fires before its tick only costs another round.
  step.waitMilliseconds = static_cast<std::uint32_t>((wait + 999) / 1000);
  return step;
}

}  // namespace minute_alarm
