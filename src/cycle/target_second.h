// F9 and F10: move the chosen second down or up by one.
#pragma once

namespace minute_alarm {

void LowerTarget();
void RaiseTarget();

}  // namespace minute_alarm
