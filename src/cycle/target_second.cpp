#include "cycle/target_second.h"

#include <cmath>

#include "app/form1.h"
#include "cycle/number_text.h"

namespace minute_alarm {

void LowerTarget() {
  const double chosen = NumberFromText(Form1::PlayTimeText());
  Form1::SetPlayTimeText(TextFromNumber(std::fabs(chosen - 1.0)));
}

void RaiseTarget() {
  const double chosen = NumberFromText(Form1::PlayTimeText());
  Form1::SetPlayTimeText(TextFromNumber(chosen + 1.0));
}

}  // namespace minute_alarm
