// Text between the program's UTF-16 and what Windows calls take.
#pragma once

#include <string>
#include <string_view>

namespace minute_alarm::win32 {

// The ANSI code page both ways, with explicit lengths so embedded NULs survive.
std::string ToAnsiCodePage(std::u16string_view text);
std::u16string FromAnsiCodePage(std::string_view text);

// A NUL-ended copy for the W calls.
std::wstring Wide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

// The directory part of a full file path: no trailing '\' except at a drive
// root ("C:\").
std::u16string DirectoryOfFile(std::u16string_view path);

}  // namespace minute_alarm::win32
