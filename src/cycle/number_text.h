// How the chosen second is read from its text and written back.
#pragma once

#include <string>
#include <string_view>

namespace minute_alarm {

// The leading number of a text, 0 when there is none. White space (space,
// tab, line feed) is ignored wherever it stands; '.' is the only decimal
// separator; "&H" and "&O" introduce hexadecimal and octal digits. Always
// finite: magnitudes beyond a double's range saturate.
double NumberFromText(std::u16string_view text);

// Whole numbers of up to 15 digits as plain digits; anything else with 15
// significant digits, '.' as separator and an exponent ("1E+15") for large
// or tiny magnitudes. Never depends on the locale, so NumberFromText reads
// back what this writes.
std::u16string TextFromNumber(double value);

}  // namespace minute_alarm
