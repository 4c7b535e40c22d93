// The seam served by the real Win32 calls.
#pragma once

#include "platform/platform.h"

namespace minute_alarm::win32 {

class Win32Platform final : public Platform {
 public:
  WindowHandle MainWindowHandle() override;
  bool IsWindow(WindowHandle window) override;
  bool SetTitle(std::u16string_view text) override;
  bool SetLabel1Caption(std::u16string_view text) override;
  bool GetPlayTimeText(std::u16string& text) override;
  bool SetPlayTimeText(std::u16string_view text) override;
  void ShowMessageBox(std::u16string_view text, std::u16string_view title) override;
  void CloseMainWindow() override;
  [[noreturn]] void ExitProgram(int code) override;

  std::intptr_t GetWindowLongA(WindowHandle window, int index) override;
  std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) override;
  std::intptr_t CallWindowProcA(std::intptr_t procedure, WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) override;

  int RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                     std::uint32_t keyCode) override;
  int UnregisterHotKey(WindowHandle window, int id) override;

  std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds,
                          TimerProcedure procedure) override;
  int KillTimer(WindowHandle window, std::uintptr_t id) override;

  std::u16string ProgramDirectory() override;
  char16_t PathSeparator() override;
  std::uint32_t GetShortPathNameA(const char* longPath, char* buffer,
                                  std::uint32_t length) override;

  std::string ToAnsi(std::u16string_view text) override;
  std::u16string FromAnsi(std::string_view text) override;

  int mciExecute(const char* command) override;
};

}  // namespace minute_alarm::win32
