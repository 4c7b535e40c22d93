// UTF-16 <-> UTF-8: the program's text and the text Linux (and the tests) hand around.
#pragma once

#include <string>
#include <string_view>

namespace minute_alarm {

// Lenient, as the Windows code-page calls are: embedded NULs are kept, an
// unpaired surrogate becomes '?' and each malformed byte U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace minute_alarm
