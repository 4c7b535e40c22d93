#include "fake_platform.h"

#include <cstring>

#include "app/form1.h"
#include "app/module1.h"

namespace minute_alarm::testing {

namespace {

FakePlatform* current = nullptr;

// Stands for the window's own procedure: on WM_CLOSE it unloads and destroys.
std::intptr_t OriginalWindowProc(WindowHandle window, std::uint32_t message,
                                 std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
  current->originalProcMessages.push_back(message);
  if (message == kWmClose && current->IsWindow(window)) {
    ShutDown();
    current->windowAlive = false;
    current->calls.emplace_back("DestroyWindow");
  }
  return FakePlatform::kOriginalProcResult;
}

}  // namespace

FakePlatform::FakePlatform()
    : windowProcedure(reinterpret_cast<std::intptr_t>(&OriginalWindowProc)) {
  current = this;
  Module1::Reset();
  InstallPlatform(this);
}

FakePlatform::~FakePlatform() {
  InstallPlatform(nullptr);
  current = nullptr;
}

std::intptr_t FakePlatform::Send(std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) const {
  const auto procedure = reinterpret_cast<WindowProcedure>(windowProcedure);
  return procedure(kWindow, message, wParam, lParam);
}

void FakePlatform::PressHotKey(int id, int keyCode, int modifiers) const {
  Send(kWmHotKey, static_cast<std::uintptr_t>(id),
       static_cast<std::intptr_t>((static_cast<std::uint32_t>(keyCode) << 16U) |
                                  static_cast<std::uint16_t>(modifiers)));
}

void FakePlatform::AdvanceClock(std::uint32_t milliseconds) {
  const std::uint64_t end = now_ + milliseconds;
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due <= end && (next == timers_.end() || it->second.due < next->second.due)) {
        next = it;
      }
    }
    if (next == timers_.end()) {
      break;
    }
    now_ = next->second.due;
    next->second.due += 1000;
    next->second.procedure(0, kWmTimer, next->first, static_cast<std::uint32_t>(now_));
  }
  now_ = end;
}

std::vector<std::string> FakePlatform::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) {
      found.push_back(call);
    }
  }
  return found;
}

WindowHandle FakePlatform::MainWindowHandle() { return windowAlive ? kWindow : 0; }

bool FakePlatform::IsWindow(WindowHandle window) { return windowAlive && window == kWindow; }

bool FakePlatform::SetTitle(std::u16string_view text) {
  title = text;
  titles.emplace_back(text);
  return windowAlive;
}

bool FakePlatform::SetLabel1Caption(std::u16string_view text) {
  calls.push_back("SetLabel1Caption(" + Utf8(text) + ")");
  label1 = text;
  return windowAlive;
}

bool FakePlatform::GetPlayTimeText(std::u16string& text) {
  text = playTime;
  return windowAlive;
}

bool FakePlatform::SetPlayTimeText(std::u16string_view text) {
  playTime = text;
  return windowAlive;
}

void FakePlatform::ShowMessageBox(std::u16string_view text, std::u16string_view boxTitle) {
  calls.push_back("ShowMessageBox(" + Utf8(text) + ")");
  messages.emplace_back(text);
  if (boxTitle != u"Minute Alarm") {
    calls.push_back("ShowMessageBox with a wrong title: " + Utf8(boxTitle));
  }
  if (whileMessageBoxOpen) {
    whileMessageBoxOpen(text);
  }
}

void FakePlatform::CloseMainWindow() {
  calls.emplace_back("CloseMainWindow");
  if (windowAlive) {
    Send(kWmClose, 0, 0);
  }
}

void FakePlatform::ExitProgram(int code) {
  calls.push_back("ExitProgram(" + std::to_string(code) + ")");
  throw ProgramExited{code};
}

std::intptr_t FakePlatform::GetWindowLongA(WindowHandle window, int index) {
  calls.push_back("GetWindowLongA(" + std::to_string(window) + "," + std::to_string(index) + ")");
  return windowProcedure;
}

std::intptr_t FakePlatform::SetWindowLongA(WindowHandle window, int index, std::intptr_t value) {
  calls.push_back("SetWindowLongA(" + std::to_string(window) + "," + std::to_string(index) + ")");
  const std::intptr_t previous = windowProcedure;
  windowProcedure = value;
  return previous;
}

std::intptr_t FakePlatform::CallWindowProcA(std::intptr_t procedure, WindowHandle window,
                                            std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
  calls.push_back("CallWindowProcA(" + std::to_string(message) + ")");
  if (!IsWindow(window)) {
    calls.emplace_back("CallWindowProcA on a dead window");
  }
  return reinterpret_cast<WindowProcedure>(procedure)(window, message, wParam, lParam);
}

int FakePlatform::RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                                 std::uint32_t keyCode) {
  calls.push_back("RegisterHotKey(" + std::to_string(window) + "," + std::to_string(id) + "," +
                  std::to_string(modifiers) + "," + std::to_string(keyCode) + ")");
  if (takenKeyIds.contains(id)) {
    return 0;
  }
  registered_.insert(id);
  return 1;
}

int FakePlatform::UnregisterHotKey(WindowHandle window, int id) {
  calls.push_back("UnregisterHotKey(" + std::to_string(window) + "," + std::to_string(id) + ")");
  return static_cast<int>(registered_.erase(id));
}

std::uintptr_t FakePlatform::SetTimer(WindowHandle window, std::uintptr_t id,
                                      std::uint32_t milliseconds, TimerProcedure procedure) {
  calls.push_back("SetTimer(" + std::to_string(window) + "," + std::to_string(id) + "," +
                  std::to_string(milliseconds) + ")");
  if (setTimerFails) {
    return 0;
  }
  const std::uintptr_t timerId = nextTimerId++;
  timers_[timerId] = Timer{procedure, now_ + milliseconds};
  return timerId;
}

int FakePlatform::KillTimer(WindowHandle window, std::uintptr_t id) {
  calls.push_back("KillTimer(" + std::to_string(window) + "," + std::to_string(id) + ")");
  if (killTimerFails) {
    return 0;
  }
  return static_cast<int>(timers_.erase(id));
}

std::u16string FakePlatform::ProgramDirectory() { return programDirectory; }

char16_t FakePlatform::PathSeparator() { return separator; }

std::uint32_t FakePlatform::GetShortPathNameA(const char* longPath, char* buffer,
                                              std::uint32_t length) {
  calls.push_back(std::string("GetShortPathNameA(") + longPath + "," + std::to_string(length) +
                  ")");
  const auto found = shortPaths.find(longPath);
  if (found == shortPaths.end() || found->second.size() + 1 > length) {
    return 0;
  }
  std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
  return static_cast<std::uint32_t>(found->second.size());
}

std::string FakePlatform::ToAnsi(std::u16string_view text) { return Utf8(text); }

std::u16string FakePlatform::FromAnsi(std::string_view text) { return Utf16(text); }

int FakePlatform::mciExecute(const char* command) {
  mciCommands.emplace_back(command);
  calls.push_back(std::string("mciExecute(") + command + ")");
  return 1;
}

}  // namespace minute_alarm::testing
