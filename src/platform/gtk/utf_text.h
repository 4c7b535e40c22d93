// UTF-16 <-> UTF-8, the program's text and the text Linux hands around.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace minute_alarm::gtk {

// Lenient, for the "ANSI" calls: embedded NULs are kept, an unpaired
// surrogate becomes '?' (as WideCharToMultiByte does) and a malformed byte
// U+FFFD (as MultiByteToWideChar does).
std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);

// Strict, for the window's texts: nothing when the text is malformed.
std::optional<std::string> StrictUtf8(std::u16string_view text);
std::optional<std::u16string> StrictUtf16(std::string_view text);

}  // namespace minute_alarm::gtk
