// The program's services on a Linux desktop: GTK3, on Wayland or X11.
#pragma once

#include <glib.h>

#include <memory>

#include "platform/gtk/main_window.h"
#include "platform/gtk/portal_shortcuts.h"
#include "platform/gtk/tick_source.h"
#include "platform/gtk/x11_hot_keys.h"
#include "platform/platform.h"

namespace minute_alarm::gtk {

class GtkPlatform final : public Platform {
 public:
  // GTK must be initialised; builds the main window without showing it. The keys go through
  // the portal where there is one, else through X grabs.
  GtkPlatform(GMainLoop* loop, std::unique_ptr<PortalShortcuts> portal);

  // True until the main window has been destroyed.
  bool WindowAlive() const { return window_.Handle() != 0; }
  void ShowWindow() { window_.Show(); }
  // On a Wayland session with the desktop portal, binds the keys registered so far, all at
  // once; false when the desktop or its user refused them. Elsewhere the grabs are made.
  bool BindHotKeys() { return !portal_ || portal_->Bind(); }

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

 private:
  void OnWindowDestroyed();
  void DeliverHotKey(int id, std::intptr_t lParam);

  GMainLoop* loop_;
  std::unique_ptr<TickSources> ticks_ = std::make_unique<TickSources>();
  MainWindow window_;
  std::unique_ptr<PortalShortcuts> portal_;
  std::unique_ptr<X11HotKeys> hotKeys_;
};

}  // namespace minute_alarm::gtk
