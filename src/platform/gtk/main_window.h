// Form1 on GTK: the window, its three controls, its window procedure and its
// message boxes.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace minute_alarm::gtk {

class MainWindow {
 public:
  // Builds the window and its controls, not shown yet. onDestroyed runs once
  // the window is gone.
  explicit MainWindow(std::function<void()> onDestroyed);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  WindowHandle Handle() const;  // 0 once destroyed
  bool IsWindow(WindowHandle window) const;
  void Show();

  bool SetTitle(std::u16string_view text);
  bool SetLabel1Caption(std::u16string_view text);
  bool GetPlayTimeText(std::u16string& text);
  bool SetPlayTimeText(std::u16string_view text);
  void ShowMessageBox(std::u16string_view text, std::u16string_view title);

  // The current window procedure, as GWL_WNDPROC holds it.
  std::intptr_t Procedure() const { return procedure_; }
  std::intptr_t SetProcedure(std::intptr_t procedure);
  // Sends a message through the current window procedure, as SendMessage would.
  std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

 private:
  // The window's own procedure, the one a hook passes messages on to.
  static std::intptr_t OriginalProcedure(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam);
  static gboolean OnDeleteEvent(GtkWidget* widget, GdkEvent* event, gpointer data);
  static void OnDestroy(GtkWidget* widget, gpointer data);

  std::function<void()> onDestroyed_;
  GtkWidget* window_ = nullptr;
  GtkWidget* controls_[3] = {};  // as in kForm1.controls
  std::intptr_t procedure_;
  int openBoxes_ = 0;
  // The window's event mask as GDK last set it, and the X mask GDK made of it.
  GdkEventMask gdkEvents_ = GdkEventMask(0);
  long xEvents_ = 0;
};

}  // namespace minute_alarm::gtk
