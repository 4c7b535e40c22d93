#include "cycle/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace minute_alarm {

namespace {

bool IsIgnoredSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int DigitValue(char16_t c, int radix) {
  int value = -1;
  if (c >= u'0' && c <= u'9') {
    value = c - u'0';
  } else if (c >= u'a' && c <= u'f') {
    value = c - u'a' + 10;
  } else if (c >= u'A' && c <= u'F') {
    value = c - u'A' + 10;
  }
  return value < radix ? value : -1;
}

// "&H1F" / "&O17": the digits' value, as a non-negative number.
double RadixNumber(std::u16string_view digits, int radix) {
  double value = 0.0;
  for (const char16_t c : digits) {
    const int digit = DigitValue(c, radix);
    if (digit < 0) {
      break;
    }
    value = value * radix + digit;
  }
  return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

// Collects the longest leading "[sign]digits[.digits][E[sign]digits]" as ASCII.
std::string LeadingDecimal(std::u16string_view text, bool& negative) {
  std::size_t i = 0;
  negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  std::string number;
  bool anyDigit = false;
  while (i < text.size() && IsDigit(text[i])) {
    number += static_cast<char>(text[i++]);
    anyDigit = true;
  }
  if (i < text.size() && text[i] == u'.') {
    number += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      number += static_cast<char>(text[i++]);
      anyDigit = true;
    }
  }
  if (!anyDigit) {
    return {};
  }
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
      exponent += static_cast<char>(text[j++]);
    }
    bool exponentDigit = false;
    while (j < text.size() && IsDigit(text[j])) {
      exponent += static_cast<char>(text[j++]);
      exponentDigit = true;
    }
    if (exponentDigit) {
      number += exponent;
    }
  }
  return number;
}

// Roughly log10 of a nonzero "digits[.digits][e[sign]digits]": only its sign
// matters, to tell an overflow from an underflow.
long long DecimalOrder(const std::string& number) {
  const std::size_t exponentAt = std::min(number.find('e'), number.size());
  const std::string mantissa = number.substr(0, exponentAt);
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t firstNonZero = mantissa.find_first_not_of("0.");
  long long order = 0;
  if (firstNonZero != std::string::npos) {
    order = firstNonZero < point ? static_cast<long long>(point - firstNonZero)
                                 : -static_cast<long long>(firstNonZero - point - 1);
  }
  if (exponentAt < number.size()) {
    long long exponent = 0;
    const char* first = number.data() + exponentAt + 1;
    if (*first == '+') {
      ++first;
    }
    const auto result = std::from_chars(first, number.data() + number.size(), exponent);
    if (result.ec == std::errc::result_out_of_range) {
      exponent = *first == '-' ? -(1LL << 40) : (1LL << 40);
    }
    order += exponent;
  }
  return order;
}

}  // namespace

double NumberFromText(std::u16string_view text) {
  std::u16string packed;
  for (const char16_t c : text) {
    if (!IsIgnoredSpace(c)) {
      packed += c;
    }
  }
  if (packed.size() >= 2 && packed[0] == u'&') {
    const std::u16string_view digits = std::u16string_view(packed).substr(2);
    if (packed[1] == u'H' || packed[1] == u'h') {
      return RadixNumber(digits, 16);
    }
    if (packed[1] == u'O' || packed[1] == u'o') {
      return RadixNumber(digits, 8);
    }
    return 0.0;
  }

  bool negative = false;
  const std::string number = LeadingDecimal(packed, negative);
  if (number.empty()) {
    return 0.0;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves value alone on overflow and underflow alike.
    value = DecimalOrder(number) > 0 ? std::numeric_limits<double>::max() : 0.0;
  }
  return negative ? -value : value;
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
