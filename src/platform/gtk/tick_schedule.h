// Where the next tick of a periodic timer falls.
#pragma once

#include <cstdint>

namespace minute_alarm::gtk {

// Ticks fall on start + n * period (n >= 1), so a late tick does not push the
// later ones back. Gives the first such time after `now`; ticks missed in
// between are dropped, as Windows coalesces WM_TIMER. All in microseconds.
std::int64_t NextTickTime(std::int64_t start, std::int64_t period, std::int64_t now);

}  // namespace minute_alarm::gtk
