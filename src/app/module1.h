// Program-wide state: plain variables, zero at start, kept for the program's life.
#pragma once

#include <array>
#include <cstdint>

namespace minute_alarm {

struct HotKeyEntry {
  std::int32_t modifiers;
  std::int32_t keyCode;
  std::int32_t id;
};

namespace Module1 {
inline std::intptr_t savedWindowProc = 0;
inline std::array<HotKeyEntry, 3> hotKeyTable{};
inline std::int16_t secondCount = 0;
inline std::int32_t timerId = 0;
inline std::int16_t timerRunning = 0;  // 0 off, -1 on
inline bool fatalFailure = false;      // reported: the program is ending
}  // namespace Module1

}  // namespace minute_alarm
