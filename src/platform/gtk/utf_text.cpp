#include "platform/gtk/utf_text.h"

#include <glib.h>

namespace minute_alarm::gtk {

namespace {

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  }
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
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
  out.reserve(text.size());
  const char* cursor = text.data();
  const char* const end = text.data() + text.size();
  while (cursor < end) {
    // g_utf8_get_char_validated rejects overlong forms and surrogates; a NUL
    // it reads as the end of a string, so that one is taken here.
    if (*cursor == '\0') {
      out += u'\0';
      ++cursor;
      continue;
    }
    const gunichar code = g_utf8_get_char_validated(cursor, end - cursor);
    if (code == static_cast<gunichar>(-1) || code == static_cast<gunichar>(-2)) {
      out += u'\uFFFD';
      ++cursor;
      continue;
    }
    AppendUtf16(out, code);
    cursor = g_utf8_next_char(cursor);
  }
  return out;
}

std::optional<std::string> StrictUtf8(std::u16string_view text) {
  glong written = 0;
  gchar* converted = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                                     static_cast<glong>(text.size()), nullptr, &written, nullptr);
  if (converted == nullptr) {
    return std::nullopt;
  }
  std::string out(converted, static_cast<std::size_t>(written));
  g_free(converted);
  return out;
}

std::optional<std::u16string> StrictUtf16(std::string_view text) {
  glong written = 0;
  gunichar2* converted =
      g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr);
  if (converted == nullptr) {
    return std::nullopt;
  }
  std::u16string out(reinterpret_cast<const char16_t*>(converted),
                     static_cast<std::size_t>(written));
  g_free(converted);
  return out;
}

}  // namespace minute_alarm::gtk
