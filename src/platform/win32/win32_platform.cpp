#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <string>

#include "app/form1_layout.h"
#include "platform/win32/main_window.h"
#include "platform/win32/mci.h"
#include "platform/win32/procedure_bridge.h"
#include "platform/win32/text.h"

namespace minute_alarm::win32 {

namespace {

HWND Handle(WindowHandle window) { return reinterpret_cast<HWND>(window); }

bool SetText(HWND window, std::u16string_view text) {
  return window != nullptr && SetWindowTextW(window, Wide(text).c_str()) != FALSE;
}

}  // namespace

WindowHandle Win32Platform::MainWindowHandle() {
  return reinterpret_cast<WindowHandle>(TheMainWindow().form);
}

bool Win32Platform::IsWindow(WindowHandle window) { return ::IsWindow(Handle(window)) != FALSE; }

bool Win32Platform::SetTitle(std::u16string_view text) {
  return SetText(TheMainWindow().form, text);
}

bool Win32Platform::SetLabel1Caption(std::u16string_view text) {
  return SetText(TheMainWindow().controls[kLabel1], text);
}

bool Win32Platform::GetPlayTimeText(std::u16string& text) {
  HWND playTime = TheMainWindow().controls[kPlayTime];
  if (playTime == nullptr) {
    return false;
  }
  // The length is an upper bound (it may count a DBCS conversion); the copy tells the truth.
  SetLastError(ERROR_SUCCESS);
  const int length = GetWindowTextLengthW(playTime);
  if (length == 0 && GetLastError() != ERROR_SUCCESS) {
    return false;
  }
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  SetLastError(ERROR_SUCCESS);
  const int copied = GetWindowTextW(playTime, buffer.data(), length + 1);
  if (copied == 0 && GetLastError() != ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(static_cast<std::size_t>(copied));
  text = FromWide(buffer);
  return true;
}

bool Win32Platform::SetPlayTimeText(std::u16string_view text) {
  return SetText(TheMainWindow().controls[kPlayTime], text);
}

void Win32Platform::ShowMessageBox(std::u16string_view text, std::u16string_view title) {
  // Hidden during start-up: a hidden owner would keep the box out of sight, and a program
  // started from the Startup folder or a task would show an unowned box behind the others.
  HWND form = TheMainWindow().form;
  HWND owner = form != nullptr && IsWindowVisible(form) ? form : nullptr;
  MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(),
              MB_OK | (owner == nullptr ? MB_SETFOREGROUND : 0));
}

void Win32Platform::CloseMainWindow() {
  if (TheMainWindow().form != nullptr) {
    SendMessageW(TheMainWindow().form, WM_CLOSE, 0, 0);
  }
}

void Win32Platform::ExitProgram(int code) { ExitProcess(static_cast<UINT>(code)); }

std::intptr_t Win32Platform::GetWindowLongA(WindowHandle window, int index) {
  return BridgeGetWindowLong(window, index);
}

std::intptr_t Win32Platform::SetWindowLongA(WindowHandle window, int index, std::intptr_t value) {
  return BridgeSetWindowLong(window, index, value);
}

std::intptr_t Win32Platform::CallWindowProcA(std::intptr_t procedure, WindowHandle window,
                                             std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
  return BridgeCallWindowProc(procedure, window, message, wParam, lParam);
}

int Win32Platform::RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                                  std::uint32_t keyCode) {
  return ::RegisterHotKey(Handle(window), id, modifiers, keyCode);
}

int Win32Platform::UnregisterHotKey(WindowHandle window, int id) {
  return ::UnregisterHotKey(Handle(window), id);
}

std::uintptr_t Win32Platform::SetTimer(WindowHandle window, std::uintptr_t id,
                                       std::uint32_t milliseconds, TimerProcedure procedure) {
  return BridgeSetTimer(window, id, milliseconds, procedure);
}

int Win32Platform::KillTimer(WindowHandle window, std::uintptr_t id) {
  return BridgeKillTimer(window, id);
}

std::u16string Win32Platform::ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return DirectoryOfFile(FromWide(path));
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

char16_t Win32Platform::PathSeparator() { return u'\\'; }

std::uint32_t Win32Platform::GetShortPathNameA(const char* longPath, char* buffer,
                                               std::uint32_t length) {
  return ::GetShortPathNameA(longPath, buffer, length);
}

std::string Win32Platform::ToAnsi(std::u16string_view text) { return ToAnsiCodePage(text); }

std::u16string Win32Platform::FromAnsi(std::string_view text) { return FromAnsiCodePage(text); }

int Win32Platform::mciExecute(const char* command) { return ::mciExecute(command); }

}  // namespace minute_alarm::win32
