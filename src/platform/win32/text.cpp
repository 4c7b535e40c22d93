#include "platform/win32/text.h"

#include <windows.h>

namespace minute_alarm::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

std::string ToAnsiCodePage(std::u16string_view text) {
  if (text.empty()) {
    return {};
  }
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int sourceLength = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_ACP, 0, source, sourceLength, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_ACP, 0, source, sourceLength, result.data(), length, nullptr, nullptr);
  }
  return result;
}

std::u16string FromAnsiCodePage(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int sourceLength = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), sourceLength, nullptr, 0);
  std::u16string result(static_cast<std::size_t>(length > 0 ? length : 0), u'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), sourceLength,
                        reinterpret_cast<wchar_t*>(result.data()), length);
  }
  return result;
}

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

std::u16string FromWide(std::wstring_view text) { return {text.begin(), text.end()}; }

std::u16string DirectoryOfFile(std::u16string_view path) {
  const std::size_t separator = path.find_last_of(u"\\/");
  if (separator == std::u16string_view::npos) {
    return std::u16string(path);
  }
  const bool driveRoot = separator == 2 && path[1] == u':';
  return std::u16string(path.substr(0, driveRoot ? separator + 1 : separator));
}

}  // namespace minute_alarm::win32
