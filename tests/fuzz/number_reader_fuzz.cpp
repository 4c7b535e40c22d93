// NumberFromText on any text: it must never crash, never give an infinite or NaN value,
// and white space (space, tab, line feed) must not matter wherever it stands.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cycle/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8U));
  }
  const double value = minute_alarm::NumberFromText(text);
  if (!std::isfinite(value)) {
    std::abort();
  }
  // The odd byte, when there is one, picks where a space goes in.
  if (size % 2 == 1) {
    std::u16string spaced = text;
    spaced.insert(data[size - 1] % (text.size() + 1), 1, u"\t\n "[data[size - 1] % 3]);
    if (minute_alarm::NumberFromText(spaced) != value) {
      std::abort();
    }
  }
  return 0;
}
