#include "cycle/alarm_cycle.h"

#include "app/form1.h"
#include "app/module1.h"
#include "cycle/number_text.h"
#include "sound/alarm_sound.h"

namespace minute_alarm {

namespace {

void StartTimer() {
  Module1::secondCount = 0;
  Module1::timerId =
      static_cast<std::int32_t>(ThePlatform().SetTimer(0, 0, kTickMilliseconds, &SecondTick));
  if (Module1::timerId == 0) {
    TimerFailed();
    return;
  }
  Module1::timerRunning = -1;
  Form1::SetLabel1Caption(u"Stop Timer");
}

void StopTimer() {
  if (ThePlatform().KillTimer(0, static_cast<std::uintptr_t>(Module1::timerId)) == 0) {
    ShowMessage(u"couldn't kill the timer");
  }
  Module1::timerRunning = 0;
  Form1::SetLabel1Caption(u"Start Timer");
}

}  // namespace

void TimerFailed() {
  ShowMessage(u"Timer not created. Ending Program");
  CloseMainWindow();
}

void ToggleTimer() {
  if (Module1::timerRunning == 0) {
    StartTimer();
  } else {
    StopTimer();
  }
}

void SecondTick(WindowHandle /*window*/, std::uint32_t /*message*/, std::uintptr_t /*timerId*/,
                std::uint32_t /*systemTime*/) {
  if (Module1::fatalFailure) {
    return;
  }
  Module1::secondCount = static_cast<std::int16_t>(Module1::secondCount + 1);
  Form1::SetTitle(TextFromNumber(Module1::secondCount));
  if (Module1::secondCount == 60) {
    Module1::secondCount = 0;
  }
  if (NumberFromText(Form1::PlayTimeText()) == static_cast<double>(Module1::secondCount)) {
    PlayAlarm();
  }
}

}  // namespace minute_alarm
