// TextFromNumber read back by NumberFromText: a whole number of up to 15 digits comes back
// exactly; any other finite value comes back rounded to 15 significant digits, as the C
// library rounds it (or as the largest double, when that rounding leaves the range).
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "cycle/number_text.h"

namespace {

double RoundedTo15Digits(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", value);
  errno = 0;
  const double rounded = std::strtod(text, nullptr);
  if (std::isinf(rounded)) {
    return std::copysign(std::numeric_limits<double>::max(), value);
  }
  return rounded;
}

void Check(double value) {
  if (!std::isfinite(value)) {
    return;
  }
  const double back = minute_alarm::NumberFromText(minute_alarm::TextFromNumber(value));
  const bool whole = value == std::trunc(value) && std::fabs(value) < 1e15;
  const double expected = whole ? value : RoundedTo15Digits(value);
  if (back != expected) {
    std::fprintf(stderr, "%.17g printed as a text read back as %.17g, expected %.17g\n", value,
                 back, expected);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Eight bytes are a double's bits; fewer name a whole number, so those get their share.
  if (size >= sizeof(double)) {
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    Check(value);
  } else {
    std::int64_t whole = 0;
    std::memcpy(&whole, data, size);
    Check(static_cast<double>(whole % 1'000'000'000'000'000));
  }
  return 0;
}
