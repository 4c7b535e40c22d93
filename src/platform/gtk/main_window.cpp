#include "platform/gtk/main_window.h"

#include <utility>

#include "app/form1.h"
#include "platform/utf_text.h"

namespace minute_alarm::gtk {

namespace {

// One Form1 per program, and the window procedure is a plain function.
MainWindow* theWindow = nullptr;

constexpr char kStyle[] =
    "#playTime { min-height: 0; min-width: 0; padding: 0 2px; margin: 0;"
    " font-size: 11px; border-width: 1px; border-radius: 0; }"
    "#Label2 { color: #0000FF; }";

GtkWidget* Place(GtkFixed* fixed, GtkWidget* child, const char* name, int left, int top, int width,
                 int height) {
  gtk_widget_set_name(child, name);
  gtk_widget_set_size_request(child, width, height);
  gtk_fixed_put(fixed, child, left, top);
  return child;
}

GtkWidget* NewLabel(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0F);
  // A label never widens the fixed-size window.
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  return label;
}

}  // namespace

MainWindow::MainWindow(std::function<void()> onDestroyed)
    : onDestroyed_(std::move(onDestroyed)),
      procedure_(reinterpret_cast<std::intptr_t>(&MainWindow::OriginalProcedure)) {
  theWindow = this;

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), "hot key F11");
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_widget_set_name(window_, "Form1");

  // Twips / 15 = pixels at 96 dpi; 3540 x 1200 twips of client area.
  auto* fixed = GTK_FIXED(gtk_fixed_new());
  gtk_widget_set_size_request(GTK_WIDGET(fixed), 236, 80);
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(fixed));

  // Tab order Label1, playTime, Label2; only playTime can take the focus.
  label1_ = Place(fixed, NewLabel("stop"), "Label1", 48, 8, 177, 25);
  playTime_ = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(playTime_), "20");
  gtk_entry_set_width_chars(GTK_ENTRY(playTime_), 1);
  Place(fixed, playTime_, "playTime", 8, 8, 33, 18);
  atk_object_set_name(gtk_widget_get_accessible(playTime_), "playTime");
  label2_ = Place(fixed, NewLabel("Minute Alarm \u00B7 F11 start/stop"), "Label2", 8, 48, 209, 25);

  gtk_widget_show_all(GTK_WIDGET(fixed));
  gtk_widget_grab_focus(playTime_);

  g_signal_connect(window_, "delete-event", G_CALLBACK(&MainWindow::OnDeleteEvent), this);
  g_signal_connect(window_, "destroy", G_CALLBACK(&MainWindow::OnDestroy), this);
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) {
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
  }
  theWindow = nullptr;
}

WindowHandle MainWindow::Handle() const { return reinterpret_cast<WindowHandle>(window_); }

bool MainWindow::IsWindow(WindowHandle window) const { return window != 0 && window == Handle(); }

void MainWindow::Show() {
  if (window_ != nullptr) {
    gtk_widget_show(window_);
  }
}

bool MainWindow::SetTitle(std::u16string_view text) {
  if (window_ == nullptr) {
    return false;
  }
  gtk_window_set_title(GTK_WINDOW(window_), Utf8FromUtf16(text).c_str());
  // The alarm may sound in the same tick: let the new second reach the screen first.
  gdk_display_flush(gtk_widget_get_display(window_));
  return true;
}

bool MainWindow::SetLabel1Caption(std::u16string_view text) {
  if (window_ == nullptr) {
    return false;
  }
  gtk_label_set_text(GTK_LABEL(label1_), Utf8FromUtf16(text).c_str());
  return true;
}

bool MainWindow::GetPlayTimeText(std::u16string& text) {
  if (window_ == nullptr) {
    return false;
  }
  text = Utf16FromUtf8(gtk_entry_get_text(GTK_ENTRY(playTime_)));
  return true;
}

bool MainWindow::SetPlayTimeText(std::u16string_view text) {
  if (window_ == nullptr) {
    return false;
  }
  gtk_entry_set_text(GTK_ENTRY(playTime_), Utf8FromUtf16(text).c_str());
  return true;
}

void MainWindow::ShowMessageBox(std::u16string_view text, std::u16string_view title) {
  GtkWindow* owner = nullptr;
  if (window_ != nullptr && gtk_widget_get_visible(window_)) {
    owner = GTK_WINDOW(window_);
  }
  // With its owner gone the box goes too, as a message box ends when the
  // program's last window is destroyed under it.
  const auto flags = static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT);
  GtkWidget* box = gtk_message_dialog_new(owner, flags, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s",
                                          Utf8FromUtf16(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), Utf8FromUtf16(title).c_str());
  g_object_ref(box);
  ++openBoxes_;
  gtk_dialog_run(GTK_DIALOG(box));
  --openBoxes_;
  gtk_widget_destroy(box);
  g_object_unref(box);
}

std::intptr_t MainWindow::SetProcedure(std::intptr_t procedure) {
  return std::exchange(procedure_, procedure);
}

std::intptr_t MainWindow::Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (window_ == nullptr || procedure_ == 0) {
    return 0;
  }
  return reinterpret_cast<WindowProcedure>(procedure_)(Handle(), message, wParam, lParam);
}

std::intptr_t MainWindow::OriginalProcedure(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
  if (message != kWmClose || theWindow == nullptr || !theWindow->IsWindow(window)) {
    return 0;
  }
  ShutDown();
  if (theWindow->window_ != nullptr) {
    gtk_widget_destroy(theWindow->window_);
  }
  return 0;
}

gboolean MainWindow::OnDeleteEvent(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer data) {
  auto* self = static_cast<MainWindow*>(data);
  // A modal box disables its owner on Windows: no closing under an open box.
  if (self->openBoxes_ == 0) {
    self->Send(kWmClose, 0, 0);
  }
  return TRUE;  // the window procedure destroys the window itself
}

void MainWindow::OnDestroy(GtkWidget* /*widget*/, gpointer data) {
  auto* self = static_cast<MainWindow*>(data);
  self->window_ = nullptr;
  if (self->onDestroyed_) {
    self->onDestroyed_();
  }
}

}  // namespace minute_alarm::gtk
