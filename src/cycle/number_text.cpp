#include "cycle/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace minute_alarm {

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

bool IsIgnoredSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int radix) {
  int value = radix;  // not a digit
  if (IsDigit(c)) {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < radix ? value : -1;
}

// "&H1F" / "&O17": the digits' value, as a non-negative number.
double RadixNumber(std::string_view digits, int radix) {
  double value = 0.0;
  for (const char c : digits) {
    const int digit = DigitValue(c, radix);
    if (digit == -1) {
      break;
    }
    value = value * radix + digit;
  }
  return std::isfinite(value) ? value : kLargest;
}

// Whether a number that from_chars found out of a double's range is too large rather than
// too small: the place of its first significant digit plus its exponent. Its mantissa is not
// zero, or it would have been in range.
bool Overflows(std::string_view number) {
  const std::size_t exponentAt = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentAt);
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  long long order =
      static_cast<long long>(point) - static_cast<long long>(mantissa.find_first_not_of("-0."));
  if (exponentAt != std::string_view::npos) {
    const char* first = number.data() + exponentAt + 1;
    first += *first == '+' ? 1 : 0;
    long long exponent = 0;
    if (std::from_chars(first, number.data() + number.size(), exponent).ec != std::errc{}) {
      exponent = *first == '-' ? std::numeric_limits<long long>::min()
                               : std::numeric_limits<long long>::max();
    }
    // The mantissa's part is below a text's largest size, 2^62: an exponent beyond decides
    // alone, and the sum cannot overflow.
    constexpr long long kDecisive = 1LL << 62;
    order += std::clamp(exponent, -kDecisive, kDecisive);
  }
  return order > 0;
}

}  // namespace

double NumberFromText(std::u16string_view text) {
  std::string packed;  // any character beyond ASCII ends a number, as a letter does
  for (const char16_t c : text) {
    if (!IsIgnoredSpace(c)) {
      packed += c < 0x80 ? static_cast<char>(c) : '?';
    }
  }
  if (packed.starts_with("&H") || packed.starts_with("&h")) {
    return RadixNumber(std::string_view(packed).substr(2), 16);
  }
  if (packed.starts_with("&O") || packed.starts_with("&o")) {
    return RadixNumber(std::string_view(packed).substr(2), 8);
  }

  // from_chars reads "[-]digits[.digits][E[sign]digits]" up to the first character that does
  // not fit, but takes no '+' and would take "inf" and "nan", which are no numbers here.
  const std::size_t sign = packed.starts_with('+') || packed.starts_with('-') ? 1 : 0;
  if (sign == packed.size() || (!IsDigit(packed[sign]) && packed[sign] != '.')) {
    return 0.0;
  }
  const char* const first = packed.data() + (packed.starts_with('+') ? 1 : 0);
  double value = 0.0;  // what from_chars leaves when it finds no number
  const auto [end, error] = std::from_chars(first, packed.data() + packed.size(), value);
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves value alone on overflow and underflow alike.
    value = std::copysign(Overflows({first, end}) ? kLargest : 0.0, *first == '-' ? -1.0 : 1.0);
  }
  return value;
}

std::u16string TextFromNumber(double value) {
  std::array<char, 64> buffer{};
  char* const first = buffer.data();
  char* const last = first + buffer.size();
  const bool whole = std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15;
  const char* const end =
      whole ? std::to_chars(first, last, static_cast<std::int64_t>(value)).ptr
            : std::to_chars(first, last, value, std::chars_format::general, 15).ptr;
  std::u16string text;
  for (const char* p = buffer.data(); p != end; ++p) {
    text += static_cast<char16_t>(*p == 'e' ? 'E' : *p);
  }
  return text;
}

}  // namespace minute_alarm
