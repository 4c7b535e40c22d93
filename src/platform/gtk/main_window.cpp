#include "platform/gtk/main_window.h"

#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>

#include <cstdio>
#include <string>
#include <utility>

#include "app/form1.h"
#include "app/form1_layout.h"
#include "platform/utf_text.h"

namespace minute_alarm::gtk {

namespace {

// One Form1 per program, and the window procedure is a plain function.
MainWindow* theWindow = nullptr;

// The text box is styled so that its small box shows its digits.
constexpr char kStyle[] =
    "entry { min-height: 0; min-width: 0; padding: 0 2px; margin: 0;"
    " font-size: 11px; border-width: 1px; border-radius: 0; }";

// GTK lays out in pixels at 96 dpi and scales them itself.
int Pixels(int twips) { return twips * 96 / kTwipsPerInch; }

GtkWidget* NewControl(const ControlLayout& layout, std::string& style) {
  const std::string text = Utf8FromUtf16(layout.text);
  GtkWidget* control = nullptr;
  if (layout.kind == ControlKind::kTextBox) {
    control = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(control), text.c_str());
    gtk_entry_set_width_chars(GTK_ENTRY(control), 1);
    atk_object_set_name(gtk_widget_get_accessible(control), Utf8FromUtf16(layout.spoken).c_str());
  } else {
    control = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(control), 0.0F);
    gtk_label_set_yalign(GTK_LABEL(control), 0.0F);
    // A label never widens the fixed-size window.
    gtk_label_set_ellipsize(GTK_LABEL(control), PANGO_ELLIPSIZE_END);
  }
  gtk_widget_set_name(control, Utf8FromUtf16(layout.name).c_str());
  gtk_widget_set_size_request(control, Pixels(layout.width), Pixels(layout.height));
  if (layout.textColour != kSystemColour) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%06X", layout.textColour);
    style += " #" + Utf8FromUtf16(layout.name) + " { color: " + colour + "; }";
  }
  return control;
}

}  // namespace

MainWindow::MainWindow(std::function<void()> onDestroyed)
    : onDestroyed_(std::move(onDestroyed)),
      procedure_(reinterpret_cast<std::intptr_t>(&MainWindow::OriginalProcedure)) {
  theWindow = this;

  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), Utf8FromUtf16(kForm1.title).c_str());
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_widget_set_name(window_, "Form1");

  auto* fixed = GTK_FIXED(gtk_fixed_new());
  gtk_widget_set_size_request(GTK_WIDGET(fixed), Pixels(kForm1.clientWidth),
                              Pixels(kForm1.clientHeight));
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(fixed));
  std::string style = kStyle;
  for (std::size_t i = 0; i < std::size(kForm1.controls); ++i) {
    const ControlLayout& layout = kForm1.controls[i];
    controls_[i] = NewControl(layout, style);
    gtk_fixed_put(fixed, controls_[i], Pixels(layout.left), Pixels(layout.top));
  }
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, style.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  gtk_widget_show_all(GTK_WIDGET(fixed));
  // Labels take no focus: the text box has it.
  gtk_widget_grab_focus(controls_[kPlayTime]);

  // Wayland shells know a window by its app ID, which GTK takes from the program's name: the
  // desktop file, and with it the icon and the name in the dash, are the application ID's.
  g_signal_connect(window_, "realize", G_CALLBACK(+[](GtkWidget* widget, gpointer) {
                     GdkWindow* surface = gtk_widget_get_window(widget);
                     if (GDK_IS_WAYLAND_WINDOW(surface)) {
                       gdk_wayland_window_set_application_id(surface, MINUTE_ALARM_APP_ID);
                     }
                   }),
                   nullptr);
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
  // The title's property changes would come back as events and wake the program a second
  // time in each tick; GDK needs none of them, so they are not asked for meanwhile. (A
  // change by another client in those microseconds goes unseen: on this fixed window only
  // the window manager's state hints could, and they are not used.)
  GdkWindow* const surface = gtk_widget_get_window(window_);
  const bool x11 = surface != nullptr && GDK_IS_X11_WINDOW(surface);
  if (x11) {
    if (gdk_window_get_events(surface) != gdkEvents_ || xEvents_ == 0) {
      XWindowAttributes attributes;
      XGetWindowAttributes(GDK_WINDOW_XDISPLAY(surface), GDK_WINDOW_XID(surface), &attributes);
      gdkEvents_ = gdk_window_get_events(surface);
      xEvents_ = attributes.your_event_mask;
    }
    XSelectInput(GDK_WINDOW_XDISPLAY(surface), GDK_WINDOW_XID(surface),
                 xEvents_ & ~PropertyChangeMask);
  }
  gtk_window_set_title(GTK_WINDOW(window_), Utf8FromUtf16(text).c_str());
  if (x11) {
    XSelectInput(GDK_WINDOW_XDISPLAY(surface), GDK_WINDOW_XID(surface), xEvents_);
  }
  // The alarm may sound in the same tick: let the new second reach the screen first.
  gdk_display_flush(gtk_widget_get_display(window_));
  return true;
}

bool MainWindow::SetLabel1Caption(std::u16string_view text) {
  if (window_ == nullptr) {
    return false;
  }
  gtk_label_set_text(GTK_LABEL(controls_[kLabel1]), Utf8FromUtf16(text).c_str());
  return true;
}

bool MainWindow::GetPlayTimeText(std::u16string& text) {
  if (window_ == nullptr) {
    return false;
  }
  text = Utf16FromUtf8(gtk_entry_get_text(GTK_ENTRY(controls_[kPlayTime])));
  return true;
}

bool MainWindow::SetPlayTimeText(std::u16string_view text) {
  if (window_ == nullptr) {
    return false;
  }
  gtk_entry_set_text(GTK_ENTRY(controls_[kPlayTime]), Utf8FromUtf16(text).c_str());
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
