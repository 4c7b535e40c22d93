#include "platform/utf_text.h"

#include <cstddef>

namespace minute_alarm {

namespace {

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6U));
    out += static_cast<char>(0x80 | (code & 0x3FU));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12U));
    out += static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
    out += static_cast<char>(0x80 | (code & 0x3FU));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18U));
    out += static_cast<char>(0x80 | ((code >> 12U) & 0x3FU));
    out += static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
    out += static_cast<char>(0x80 | (code & 0x3FU));
  }
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10U));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FFU));
  }
}

// The code point of the well-formed sequence at text[at], and its length; 0 when malformed
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t DecodeUtf8(std::string_view text, std::size_t at, char32_t& code) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead < 0xE0) {
    length = 2, minimum = 0x80, code = lead & 0x1FU;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3, minimum = 0x800, code = lead & 0x0FU;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4, minimum = 0x10000, code = lead & 0x07U;
  } else {
    return 0;
  }
  if (at + length > text.size()) {
    return 0;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0U) != 0x80) {
      return 0;
    }
    code = (code << 6U) | (next & 0x3FU);
  }
  const bool valid =
      code >= minimum && code <= 0x10FFFF && !IsHighSurrogate(code) && !IsLowSurrogate(code);
  return valid ? length : 0;
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10U) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      out += '?';
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(text, i, code);
    if (length == 0) {
      out += u'\uFFFD';
      ++i;
    } else {
      AppendUtf16(out, code);
      i += length;
    }
  }
  return out;
}

}  // namespace minute_alarm
