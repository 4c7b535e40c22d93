// A scripted platform: logs every call the program makes, answers as the test chose, and runs
// timers on a clock the test moves.
#pragma once

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/module1.h"
#include "cycle/alarm_cycle.h"
#include "platform/platform.h"
#include "platform/utf_text.h"

namespace minute_alarm::testing {

struct Exited {};
using Texts = std::vector<std::string>;
inline std::string U8(std::u16string_view text) { return Utf8FromUtf16(text); }

class Fake final : public Platform {
 public:
  static constexpr WindowHandle kWindow = 4660;
  static constexpr std::intptr_t kOwnResult = 77;  // the window's own procedure's answer

  std::set<int> takenIds;
  bool setTimerFails = false, killTimerFails = false, rearmFails = false, alive = true;
  std::u16string title = u"hot key F11", label1 = u"stop", playTime = u"20", dir = u"/opt/a";
  std::map<std::string, std::string> shortPaths;  // long path -> the bytes the call writes
  std::function<void()> whileBoxOpen;
  std::intptr_t procedure = reinterpret_cast<std::intptr_t>(&Own);
  Texts log;

  Fake() {
    Module1::savedWindowProc = Module1::timerId = Module1::secondCount = Module1::timerRunning = 0;
    Module1::fatalFailure = false;
    std::fill(std::begin(Module1::hotKeyTable), std::end(Module1::hotKeyTable), HotKeyEntry{});
    InstallPlatform(current = this);
  }
  ~Fake() override { InstallPlatform(nullptr); }

  std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam = 0,
                     std::uint32_t lParam = 0) const {
    return reinterpret_cast<WindowProcedure>(procedure)(kWindow, message, wParam, lParam);
  }
  void Press(int id, std::uint32_t keyCode) const { Send(kWmHotKey, id, keyCode << 16U); }
  void Advance(int milliseconds) {  // a tick may start or kill timers
    for (int ms = 0; ms < milliseconds; ++ms) {
      for (const auto& [id, due] : std::map(timers_)) {
        if (due.second == now_ + 1 && timers_.contains(id)) {
          timers_[id].second += 1000;  // refused, as a backend's system may: the timer is gone
          rearmFails ? (timers_.erase(id), TimerFailed()) : due.first(0, kWmTimer, id, now_ + 1);
        }
      }
      ++now_;
    }
  }
  Texts Calls(const std::string& prefix) const {
    Texts found;
    std::copy_if(log.begin(), log.end(), std::back_inserter(found),
                 [&](const std::string& call) { return call.starts_with(prefix); });
    return found;
  }

  WindowHandle MainWindowHandle() override { return alive ? kWindow : 0; }
  bool IsWindow(WindowHandle window) override { return alive && window == kWindow; }
  bool SetTitle(std::u16string_view text) override { return Set(title, text); }
  bool SetLabel1Caption(std::u16string_view text) override { return Set(label1, text); }
  bool SetPlayTimeText(std::u16string_view text) override { return Set(playTime, text); }
  bool GetPlayTimeText(std::u16string& text) override { return Set(text, playTime); }
  void ShowMessageBox(std::u16string_view text, std::u16string_view caption) override {
    log.push_back("Box(" + U8(text) + "|" + U8(caption) + ")");
    if (auto open = std::exchange(whileBoxOpen, nullptr)) {
      open();
    }
  }
  void CloseMainWindow() override { Log("CloseMainWindow"), Send(kWmClose); }
  void ExitProgram(int code) override { Log("ExitProgram", code), throw Exited{}; }
  std::intptr_t GetWindowLongA(WindowHandle window, int index) override {
    return Log("GetWindowLongA", window, index), procedure;
  }
  std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) override {
    return Log("SetWindowLongA", window, index), std::exchange(procedure, value);
  }
  std::intptr_t CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) override {
    Log("CallWindowProcA", window, message);
    return reinterpret_cast<WindowProcedure>(proc)(window, message, wParam, lParam);
  }
  int RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                     std::uint32_t keyCode) override {
    return Log("RegisterHotKey", window, id, modifiers, keyCode), takenIds.contains(id) ? 0 : 1;
  }
  int UnregisterHotKey(WindowHandle window, int id) override {
    return Log("UnregisterHotKey", window, id), 1;
  }
  std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds,
                          TimerProcedure timer) override {
    Log("SetTimer", window, id, milliseconds);
    return setTimerFails ? 0 : (timers_[nextTimer_] = {timer, now_ + milliseconds}, nextTimer_++);
  }
  int KillTimer(WindowHandle window, std::uintptr_t id) override {
    return Log("KillTimer", window, id), killTimerFails ? 0 : static_cast<int>(timers_.erase(id));
  }
  std::u16string ProgramDirectory() override { return dir; }
  char16_t PathSeparator() override { return dir[0] == u'/' ? u'/' : u'\\'; }
  std::uint32_t GetShortPathNameA(const char* path, char* buffer, std::uint32_t length) override {
    Log("GetShortPathNameA", path, length);
    return static_cast<std::uint32_t>(
        shortPaths.contains(path) ? shortPaths[path].copy(buffer, length) : 0);
  }
  std::string ToAnsi(std::u16string_view text) override { return U8(text); }
  std::u16string FromAnsi(std::string_view text) override { return Utf16FromUtf8(text); }
  int mciExecute(const char* command) override { return Log("mciExecute", command), 1; }

 private:
  // The window's own procedure: closing unloads the form and destroys the window.
  static std::intptr_t Own(WindowHandle window, std::uint32_t message, std::uintptr_t /*w*/,
                           std::intptr_t /*l*/) {
    current->Log("Own", message);
    if (message == kWmClose && current->IsWindow(window)) {
      ShutDown();
      current->alive = false;
      current->Log("DestroyWindow");
    }
    return kOwnResult;
  }
  template <typename T>
  bool Set(T& field, std::u16string_view text) {
    field = text;
    return alive;
  }
  static std::string Text(const char* text) { return text; }
  static std::string Text(auto number) { return std::to_string(number); }
  template <typename... Args>
  void Log(const char* name, Args... args) {
    std::string call = name;
    [[maybe_unused]] char separator = '(';
    ((call += separator + Text(args), separator = ','), ...);
    log.push_back(sizeof...(args) > 0 ? call + ")" : call);
  }

  inline static Fake* current = nullptr;
  std::map<std::uintptr_t, std::pair<TimerProcedure, std::uint64_t>> timers_;
  std::uintptr_t nextTimer_ = 501;
  std::uint64_t now_ = 0;
};

}  // namespace minute_alarm::testing
