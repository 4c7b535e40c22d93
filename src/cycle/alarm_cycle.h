// The one-minute counter: its switch, its tick and the reading of the chosen second.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace minute_alarm {

inline constexpr std::uint32_t kTickMilliseconds = 1000;

void ToggleTimer();
// No timer, or one the system stopped (a backend's re-arm refused): said, and the program ends.
void TimerFailed();
void SecondTick(WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                std::uint32_t systemTime);

}  // namespace minute_alarm
