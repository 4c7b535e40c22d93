#include "platform/gtk/gtk_platform.h"

#include <cstdlib>

#include "platform/gtk/mci.h"
#include "platform/gtk/program_files.h"
#include "platform/utf_text.h"

namespace minute_alarm::gtk {

GtkPlatform::GtkPlatform(GMainLoop* loop, std::unique_ptr<PortalShortcuts> portal)
    : loop_(loop), window_([this] { OnWindowDestroyed(); }), portal_(std::move(portal)) {
  const auto deliver = [this](int id, std::intptr_t lParam) { DeliverHotKey(id, lParam); };
  if (portal_) {
    portal_->SetDelivery(deliver);
  } else {
    hotKeys_ = std::make_unique<X11HotKeys>(deliver);
  }
}

void GtkPlatform::DeliverHotKey(int id, std::intptr_t lParam) {
  // As Windows posts WM_HOTKEY: through whatever procedure the window has now.
  CallWindowProcA(window_.Procedure(), window_.Handle(), kWmHotKey, static_cast<std::uintptr_t>(id),
                  lParam);
}

void GtkPlatform::OnWindowDestroyed() {
  // No window, no program: its timers end with it, and the loop returns.
  ticks_ = std::make_unique<TickSources>();
  if (g_main_loop_is_running(loop_)) {
    g_main_loop_quit(loop_);
  }
}

WindowHandle GtkPlatform::MainWindowHandle() { return window_.Handle(); }

bool GtkPlatform::IsWindow(WindowHandle window) { return window_.IsWindow(window); }

bool GtkPlatform::SetTitle(std::u16string_view text) { return window_.SetTitle(text); }

bool GtkPlatform::SetLabel1Caption(std::u16string_view text) {
  return window_.SetLabel1Caption(text);
}

bool GtkPlatform::GetPlayTimeText(std::u16string& text) { return window_.GetPlayTimeText(text); }

bool GtkPlatform::SetPlayTimeText(std::u16string_view text) {
  return window_.SetPlayTimeText(text);
}

void GtkPlatform::ShowMessageBox(std::u16string_view text, std::u16string_view title) {
  window_.ShowMessageBox(text, title);
}

void GtkPlatform::CloseMainWindow() { window_.Send(kWmClose, 0, 0); }

void GtkPlatform::ExitProgram(int code) {
  ShutDownMci();
  std::exit(code);
}

std::intptr_t GtkPlatform::GetWindowLongA(WindowHandle window, int index) {
  if (index != kGwlWndProc || !window_.IsWindow(window)) {
    return 0;
  }
  return window_.Procedure();
}

std::intptr_t GtkPlatform::SetWindowLongA(WindowHandle window, int index, std::intptr_t value) {
  if (index != kGwlWndProc || !window_.IsWindow(window)) {
    return 0;
  }
  return window_.SetProcedure(value);
}

std::intptr_t GtkPlatform::CallWindowProcA(std::intptr_t procedure, WindowHandle window,
                                           std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
  if (procedure == 0) {
    return 0;
  }
  return reinterpret_cast<WindowProcedure>(procedure)(window, message, wParam, lParam);
}

int GtkPlatform::RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                                std::uint32_t keyCode) {
  if (!window_.IsWindow(window)) {
    return 0;
  }
  if (portal_) {
    return portal_->Register(id, modifiers, keyCode) ? 1 : 0;
  }
  return hotKeys_->Register(id, modifiers, keyCode) ? 1 : 0;
}

int GtkPlatform::UnregisterHotKey(WindowHandle /*window*/, int id) {
  if (portal_) {
    return portal_->Unregister(id) ? 1 : 0;
  }
  return hotKeys_->Unregister(id) ? 1 : 0;
}

std::uintptr_t GtkPlatform::SetTimer(WindowHandle /*window*/, std::uintptr_t /*id*/,
                                     std::uint32_t milliseconds, TimerProcedure procedure) {
  return ticks_->Start(milliseconds, procedure);
}

int GtkPlatform::KillTimer(WindowHandle /*window*/, std::uintptr_t id) {
  return ticks_->Kill(id) ? 1 : 0;
}

std::u16string GtkPlatform::ProgramDirectory() { return Utf16FromUtf8(gtk::ProgramDirectory()); }

char16_t GtkPlatform::PathSeparator() { return u'/'; }

std::uint32_t GtkPlatform::GetShortPathNameA(const char* longPath, char* buffer,
                                             std::uint32_t length) {
  return ShortPathUri(longPath, buffer, length);
}

std::string GtkPlatform::ToAnsi(std::u16string_view text) { return Utf8FromUtf16(text); }

std::u16string GtkPlatform::FromAnsi(std::string_view text) { return Utf16FromUtf8(text); }

int GtkPlatform::mciExecute(const char* command) { return ExecuteMciCommand(command); }

}  // namespace minute_alarm::gtk
