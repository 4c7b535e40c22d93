// A scripted platform: logs every call the program makes, answers as the test chose, and
// runs timers on a clock the test moves.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/module1.h"
#include "platform/platform.h"
#include "platform/utf_text.h"

namespace minute_alarm::testing {

struct Exited {
  int code;
};

inline std::string U8(std::u16string_view text) { return Utf8FromUtf16(text); }

class Fake final : public Platform {
 public:
  static constexpr WindowHandle kWindow = 4660;
  static constexpr std::intptr_t kOwnResult = 77;  // what the window's own procedure answers

  std::set<int> takenIds;
  bool setTimerFails = false;
  bool killTimerFails = false;
  std::u16string directory = u"/opt/alarm";
  char16_t separator = u'/';
  std::map<std::string, std::string> shortPaths;  // long path -> the bytes the call writes
  std::function<void()> whileBoxOpen;

  std::u16string title = u"hot key F11", label1 = u"stop", playTime = u"20";
  bool alive = true;
  std::intptr_t procedure = reinterpret_cast<std::intptr_t>(&Own);
  std::vector<std::string> log;
  std::vector<std::uint32_t> ownSaw;  // messages that reached the window's own procedure

  Fake() {
    current = this;
    Module1::savedWindowProc = 0;
    std::memset(Module1::hotKeyTable, 0, sizeof Module1::hotKeyTable);
    Module1::secondCount = 0;
    Module1::timerId = 0;
    Module1::timerRunning = 0;
    InstallPlatform(this);
  }
  ~Fake() override { InstallPlatform(nullptr); }

  std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    return reinterpret_cast<WindowProcedure>(procedure)(kWindow, message, wParam, lParam);
  }
  void Press(int id, std::uint32_t keyCode, std::uint32_t modifiers = 0) {
    Send(kWmHotKey, static_cast<std::uintptr_t>(id), (keyCode << 16U) | (modifiers & 0xFFFFU));
  }
  void Advance(std::uint64_t milliseconds) {
    const std::uint64_t end = now_ + milliseconds;
    for (;;) {
      auto next = timers_.end();
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.second <= end &&
            (next == timers_.end() || it->second.second < next->second.second)) {
          next = it;
        }
      }
      if (next == timers_.end()) {
        break;
      }
      now_ = next->second.second;
      next->second.second += 1000;
      next->second.first(0, kWmTimer, next->first, static_cast<std::uint32_t>(now_));
    }
    now_ = end;
  }
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : log) {
      if (call.starts_with(prefix)) {
        found.push_back(call);
      }
    }
    return found;
  }

  WindowHandle MainWindowHandle() override { return alive ? kWindow : 0; }
  bool IsWindow(WindowHandle window) override { return alive && window == kWindow; }
  bool SetTitle(std::u16string_view text) override { return Set(title, text); }
  bool SetLabel1Caption(std::u16string_view text) override { return Set(label1, text); }
  bool SetPlayTimeText(std::u16string_view text) override { return Set(playTime, text); }
  bool GetPlayTimeText(std::u16string& text) override {
    text = playTime;
    return alive;
  }
  void ShowMessageBox(std::u16string_view text, std::u16string_view boxTitle) override {
    log.push_back("Box(" + U8(text) + "|" + U8(boxTitle) + ")");
    if (whileBoxOpen) {
      whileBoxOpen();
    }
  }
  void CloseMainWindow() override {
    log.emplace_back("CloseMainWindow");
    Send(kWmClose);
  }
  void ExitProgram(int code) override { throw Exited{code}; }
  std::intptr_t GetWindowLongA(WindowHandle window, int index) override {
    Log("GetWindowLongA", window, index);
    return procedure;
  }
  std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) override {
    Log("SetWindowLongA", window, index);
    return std::exchange(procedure, value);
  }
  std::intptr_t CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) override {
    Log("CallWindowProcA", window, message);
    return reinterpret_cast<WindowProcedure>(proc)(window, message, wParam, lParam);
  }
  int RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                     std::uint32_t keyCode) override {
    Log("RegisterHotKey", window, id, modifiers, keyCode);
    return takenIds.contains(id) ? 0 : 1;
  }
  int UnregisterHotKey(WindowHandle window, int id) override {
    Log("UnregisterHotKey", window, id);
    return 1;
  }
  std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds,
                          TimerProcedure timerProcedure) override {
    Log("SetTimer", window, id, milliseconds);
    if (setTimerFails) {
      return 0;
    }
    timers_[nextTimer_] = {timerProcedure, now_ + milliseconds};
    return nextTimer_++;
  }
  int KillTimer(WindowHandle window, std::uintptr_t id) override {
    Log("KillTimer", window, id);
    return killTimerFails ? 0 : static_cast<int>(timers_.erase(id));
  }
  std::u16string ProgramDirectory() override { return directory; }
  char16_t PathSeparator() override { return separator; }
  std::uint32_t GetShortPathNameA(const char* longPath, char* buffer,
                                  std::uint32_t length) override {
    log.push_back(std::string("GetShortPathNameA(") + longPath + "," + std::to_string(length) +
                  ")");
    const auto found = shortPaths.find(longPath);
    if (found != shortPaths.end()) {
      found->second.copy(buffer, length);
    }
    return 0;
  }
  std::string ToAnsi(std::u16string_view text) override { return U8(text); }
  std::u16string FromAnsi(std::string_view text) override { return Utf16FromUtf8(text); }
  int mciExecute(const char* command) override {
    log.push_back(std::string("mciExecute(") + command + ")");
    return 1;
  }

 private:
  // The window's own procedure: closing unloads the form and destroys the window.
  static std::intptr_t Own(WindowHandle window, std::uint32_t message, std::uintptr_t /*w*/,
                           std::intptr_t /*l*/) {
    current->ownSaw.push_back(message);
    if (message == kWmClose && current->IsWindow(window)) {
      ShutDown();
      current->alive = false;
      current->log.emplace_back("DestroyWindow");
    }
    return kOwnResult;
  }
  bool Set(std::u16string& field, std::u16string_view text) {
    field = text;
    return alive;
  }
  template <typename... Args>
  void Log(const char* name, Args... args) {
    std::string call = name;
    char separator = '(';
    ((call += separator + std::to_string(args), separator = ','), ...);
    log.push_back(call + ")");
  }

  inline static Fake* current = nullptr;
  std::map<std::uintptr_t, std::pair<TimerProcedure, std::uint64_t>> timers_;
  std::uintptr_t nextTimer_ = 501;
  std::uint64_t now_ = 0;
};

}  // namespace minute_alarm::testing
