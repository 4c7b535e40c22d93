// A scripted platform: records every call the program makes, plays back the
// results a test chooses, and moves a clock the test controls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/utf_text.h"

namespace minute_alarm::testing {

struct ProgramExited {
  int code;
};

inline std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }
inline std::u16string Utf16(std::string_view text) { return Utf16FromUtf8(text); }

class FakePlatform final : public Platform {
 public:
  static constexpr WindowHandle kWindow = 0x1234;
  static constexpr std::intptr_t kOriginalProcResult = 77;

  // Scripted results.
  std::set<int> takenKeyIds;  // RegisterHotKey fails for these ids
  std::uintptr_t nextTimerId = 501;
  bool setTimerFails = false;
  bool killTimerFails = false;
  std::u16string programDirectory = u"/opt/minute alarm";
  char16_t separator = u'/';
  std::map<std::string, std::string> shortPaths;  // existing files and their short forms
  std::function<void(std::u16string_view)> whileMessageBoxOpen;

  // What the program can see and change.
  std::u16string title = u"hot key F11";
  std::u16string label1 = u"stop";
  std::u16string playTime = u"20";
  bool windowAlive = true;
  std::intptr_t windowProcedure;

  std::vector<std::string> calls;
  std::vector<std::u16string> messages;
  std::vector<std::string> mciCommands;
  std::vector<std::u16string> titles;  // every title set, in order
  std::vector<std::uint32_t> originalProcMessages;

  FakePlatform();
  ~FakePlatform() override;

  // Delivers a message through the window's current procedure, as the system does.
  std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const;
  void PressHotKey(int id, int keyCode, int modifiers = 0) const;
  void AdvanceClock(std::uint32_t milliseconds);
  std::size_t LiveTimers() const { return timers_.size(); }
  // Calls whose text starts with prefix, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

  WindowHandle MainWindowHandle() override;
  bool IsWindow(WindowHandle window) override;
  bool SetTitle(std::u16string_view text) override;
  bool SetLabel1Caption(std::u16string_view text) override;
  bool GetPlayTimeText(std::u16string& text) override;
  bool SetPlayTimeText(std::u16string_view text) override;
  void ShowMessageBox(std::u16string_view text, std::u16string_view title) override;
  void CloseMainWindow() override;
  void ExitProgram(int code) override;
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

 private:
  struct Timer {
    TimerProcedure procedure;
    std::uint64_t due;
  };
  std::map<std::uintptr_t, Timer> timers_;
  std::set<int> registered_;
  std::uint64_t now_ = 0;
};

}  // namespace minute_alarm::testing
