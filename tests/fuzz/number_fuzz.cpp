// The number reader on any text: no crash, never an infinite or NaN value, and white space
// never matters. Eight bytes are also a double, whose printed text must read back as the
// double rounded to 15 significant digits (the largest double where that rounding overflows).
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
  std::u16string spaced = text;
  spaced.insert(size > 0 ? data[0] % (text.size() + 1) : 0, 1, u"\t\n "[size % 3]);
  const double value = NumberFromText(text);
  if (!std::isfinite(value) || NumberFromText(spaced) != value) {
    std::abort();
  }
  double number = 0;
  if (size == sizeof number && (std::memcpy(&number, data, size), std::isfinite(number))) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.14e", number);
    const double rounded = std::strtod(digits, nullptr);
    const double largest = std::copysign(std::numeric_limits<double>::max(), number);
    if (NumberFromText(minute_alarm::TextFromNumber(number)) !=
        (std::isinf(rounded) ? largest : rounded)) {
      std::abort();
    }
  }
  return 0;
}
