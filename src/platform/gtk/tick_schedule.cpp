#include "platform/gtk/tick_schedule.h"

namespace minute_alarm::gtk {

std::int64_t NextTickTime(std::int64_t start, std::int64_t period, std::int64_t now) {
  if (now < start) {
    return start + period;
  }
  return start + ((now - start) / period + 1) * period;
}

}  // namespace minute_alarm::gtk
