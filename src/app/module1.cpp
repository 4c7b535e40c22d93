#include "app/module1.h"

namespace minute_alarm::Module1 {

void Reset() {
  savedWindowProc = 0;
  for (HotKeyEntry& entry : hotKeyTable) {
    entry = HotKeyEntry{};
  }
  secondCount = 0;
  timerId = 0;
  timerRunning = 0;
}

}  // namespace minute_alarm::Module1
