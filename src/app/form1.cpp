#include "app/form1.h"

#include <cstdlib>

#include "app/module1.h"
#include "hotkeys/hotkeys.h"

namespace minute_alarm {

namespace {

// A window that refuses its own controls leaves nothing sensible to do. Reported once: ticks
// and keys keep arriving under the box and would fail again, a box each.
[[noreturn]] void FatalWindowFailure(std::u16string_view what) {
  if (!Module1::fatalFailure) {
    Module1::fatalFailure = true;
    std::u16string text = u"Minute Alarm could not ";
    text += what;
    text += u" and has to end.";
    ShowMessage(text);
  }
  ThePlatform().ExitProgram(1);
  std::abort();  // not reached: ExitProgram ends the process
}

}  // namespace

namespace Form1 {

WindowHandle hWnd() {
  const WindowHandle handle = ThePlatform().MainWindowHandle();
  if (handle == 0) {
    FatalWindowFailure(u"find its window");
  }
  return handle;
}

void SetTitle(std::u16string_view text) {
  if (!ThePlatform().SetTitle(text)) {
    FatalWindowFailure(u"set its window title");
  }
}

void SetLabel1Caption(std::u16string_view text) {
  if (!ThePlatform().SetLabel1Caption(text)) {
    FatalWindowFailure(u"set its label");
  }
}

std::u16string PlayTimeText() {
  std::u16string text;
  if (!ThePlatform().GetPlayTimeText(text)) {
    FatalWindowFailure(u"read its text box");
  }
  return text;
}

void SetPlayTimeText(std::u16string_view text) {
  if (!ThePlatform().SetPlayTimeText(text)) {
    FatalWindowFailure(u"write its text box");
  }
}

}  // namespace Form1

void StartUp() { SetUpHotKeys(); }

void ShutDown() { ReleaseHotKeys(); }

void ShowMessage(std::u16string_view text) { ThePlatform().ShowMessageBox(text, kProgramName); }

void CloseMainWindow() { ThePlatform().CloseMainWindow(); }

}  // namespace minute_alarm
