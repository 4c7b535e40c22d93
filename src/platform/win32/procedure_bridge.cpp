#include "platform/win32/procedure_bridge.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "cycle/alarm_cycle.h"
#include "platform/tick_schedule.h"

namespace minute_alarm::win32 {

namespace {

// --- Window procedures -------------------------------------------------------

WindowProcedure programWindowProcedure = nullptr;
std::set<std::intptr_t> realProcedures;  // handed out by GetWindowLongA

LRESULT CALLBACK WindowTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (programWindowProcedure == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return programWindowProcedure(reinterpret_cast<WindowHandle>(window), message, wParam, lParam);
}

std::intptr_t TrampolineAddress() { return reinterpret_cast<std::intptr_t>(&WindowTrampoline); }

// What the program sees of a procedure that Windows holds.
std::intptr_t HandOut(std::intptr_t real) {
  if (real == TrampolineAddress()) {
    return reinterpret_cast<std::intptr_t>(programWindowProcedure);
  }
  realProcedures.insert(real);
  return real;
}

// --- Timers ------------------------------------------------------------------

struct ProgramTimer {
  TimerProcedure procedure;
  std::int64_t startCount;
  std::int64_t periodMicroseconds;
  std::int64_t ticksDelivered;
};

std::map<UINT_PTR, ProgramTimer> programTimers;

std::int64_t PerformanceCount() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

std::int64_t MicrosecondsSince(std::int64_t startCount) {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  return MicrosecondsFromCounts(PerformanceCount() - startCount, frequency);
}

void CALLBACK TimerTrampoline(HWND window, UINT message, UINT_PTR id, DWORD systemTime) {
  const auto found = programTimers.find(id);
  if (found == programTimers.end()) {
    return;  // killed while this tick was queued
  }
  ProgramTimer& timer = found->second;
  const TickStep step = NextTickStep(MicrosecondsSince(timer.startCount), timer.periodMicroseconds,
                                     timer.ticksDelivered);
  timer.ticksDelivered = step.ticksDelivered;
  // Re-armed before the call, so a KillTimer inside the procedure has the last word.
  if (SetTimer(window, id, step.waitMilliseconds, TimerTrampoline) == 0) {
    KillTimer(window, id);
    programTimers.erase(found);
    TimerFailed();
    return;
  }
  if (step.deliver) {
    timer.procedure(reinterpret_cast<WindowHandle>(window), message, id, systemTime);
  }
}

}  // namespace

std::intptr_t BridgeGetWindowLong(WindowHandle window, int index) {
  const std::intptr_t value = GetWindowLongPtrA(reinterpret_cast<HWND>(window), index);
  return index == GWLP_WNDPROC ? HandOut(value) : value;
}

std::intptr_t BridgeSetWindowLong(WindowHandle window, int index, std::intptr_t value) {
  auto* const handle = reinterpret_cast<HWND>(window);
  if (index != GWLP_WNDPROC) {
    return SetWindowLongPtrA(handle, index, value);
  }
  const WindowProcedure previousProgramProcedure = programWindowProcedure;
  std::intptr_t installed = value;
  if (value != 0 && !realProcedures.contains(value)) {
    programWindowProcedure = reinterpret_cast<WindowProcedure>(value);
    installed = TrampolineAddress();
  }
  const std::intptr_t previous = SetWindowLongPtrA(handle, index, installed);
  if (previous == TrampolineAddress()) {
    return reinterpret_cast<std::intptr_t>(previousProgramProcedure);
  }
  return HandOut(previous);
}

std::intptr_t BridgeCallWindowProc(std::intptr_t procedure, WindowHandle window,
                                   std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  if (procedure != 0 && !realProcedures.contains(procedure)) {
    return reinterpret_cast<WindowProcedure>(procedure)(window, message, wParam, lParam);
  }
  return CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), reinterpret_cast<HWND>(window),
                         message, wParam, lParam);
}

std::uintptr_t BridgeSetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds,
                              TimerProcedure procedure) {
  const std::int64_t start = PerformanceCount();
  const UINT_PTR timerId =
      SetTimer(reinterpret_cast<HWND>(window), id, milliseconds, TimerTrampoline);
  if (timerId != 0) {
    programTimers[timerId] = ProgramTimer{
        procedure, start, std::int64_t{std::max<UINT>(milliseconds, USER_TIMER_MINIMUM)} * 1000, 0};
  }
  return timerId;
}

int BridgeKillTimer(WindowHandle window, std::uintptr_t id) {
  const BOOL killed = KillTimer(reinterpret_cast<HWND>(window), id);
  programTimers.erase(id);
  return killed;
}

}  // namespace minute_alarm::win32
