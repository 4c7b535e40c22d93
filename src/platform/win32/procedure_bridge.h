// Lets the program's window and timer procedures stand where Windows expects
// its own. The program's procedures are plain C++ functions; WNDPROC and
// TIMERPROC are CALLBACK (__stdcall on 32-bit x86), so Windows never calls a
// program's procedure directly but a trampoline of the right convention:
//
// - Window procedures: SetWindowLongA installs the trampoline when it is given
//   a program's procedure (remembered for the trampoline to call) and installs
//   the value as it is when it is given a real procedure that GetWindowLongA
//   handed out. GetWindowLongA hands out the real value, except that it gives
//   the remembered program's procedure back where the trampoline stands.
//   CallWindowProcA calls a program's procedure directly.
// - Timers: SetTimer installs a timer trampoline; the timer id maps to the
//   program's procedure and the tick schedule. Each tick re-arms the same id
//   for the time left to start + n * period, so the ticks keep in step with the
//   performance counter rather than drifting by SetTimer's rounding.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace minute_alarm::win32 {

std::intptr_t BridgeGetWindowLong(WindowHandle window, int index);
std::intptr_t BridgeSetWindowLong(WindowHandle window, int index, std::intptr_t value);
std::intptr_t BridgeCallWindowProc(std::intptr_t procedure, WindowHandle window,
                                   std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam);

std::uintptr_t BridgeSetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds,
                              TimerProcedure procedure);
int BridgeKillTimer(WindowHandle window, std::uintptr_t id);

}  // namespace minute_alarm::win32
