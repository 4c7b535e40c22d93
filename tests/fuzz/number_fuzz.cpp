// The number reader on any text: no crash, never an infinite or NaN value, and white space
// never matters. Its first eight bytes are also a double, whose printed text must read back as
// the double rounded to 15 significant digits (the largest one where that rounding overflows).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "cycle/number_text.h"

using minute_alarm::NumberFromText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  std::memcpy(text.data(), data, text.size() * 2);
  const double value = NumberFromText(text);
  text.insert(size > 0 ? data[0] % (text.size() + 1) : 0, 1, u"\t\n "[size % 3]);
  double number = 0;
  char digits[32];
  std::memcpy(&number, data, std::min(size, sizeof number));
  std::snprintf(digits, sizeof digits, "%.14e", number);
  const double rounded = std::strtod(digits, nullptr);
  const double expected =
      std::isinf(rounded) ? std::copysign(std::numeric_limits<double>::max(), number) : rounded;
  if (!std::isfinite(value) || NumberFromText(text) != value ||
      (std::isfinite(number) && NumberFromText(minute_alarm::TextFromNumber(number)) != expected)) {
    std::abort();
  }
  return 0;
}
