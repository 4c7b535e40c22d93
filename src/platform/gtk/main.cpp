// Minute Alarm on a Linux desktop.
#include <gtk/gtk.h>

#include <string>
#include <utility>

#include "app/form1.h"
#include "hotkeys/hotkeys.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/mci.h"
#include "platform/gtk/portal_shortcuts.h"
#include "platform/gtk/program_files.h"

namespace {

// Every window, boxes included, carries the icon: the installed theme's, or the copy beside
// the program when it runs from its build tree. Loading it (an image loader, a file, the
// theme's index) once the first window is up lets that window come a few ms sooner. GTK
// gives a default icon only to windows realized after it, so the ones already there get it
// here.
gboolean SetIcon(gpointer /*unused*/) {
  const std::string beside = minute_alarm::gtk::ProgramDirectory() + "/" MINUTE_ALARM_APP_ID ".png";
  if (!g_file_test(beside.c_str(), G_FILE_TEST_IS_REGULAR) ||
      gtk_window_set_default_icon_from_file(beside.c_str(), nullptr) == FALSE) {
    gtk_window_set_default_icon_name(MINUTE_ALARM_APP_ID);
  }
  GList* const icons = gtk_window_get_default_icon_list();  // none when the theme's is named
  GList* const windows = gtk_window_list_toplevels();
  for (GList* item = windows; item != nullptr; item = item->next) {
    if (icons != nullptr) {
      gtk_window_set_icon_list(GTK_WINDOW(item->data), icons);
    } else {
      gtk_window_set_icon_name(GTK_WINDOW(item->data), MINUTE_ALARM_APP_ID);
    }
  }
  g_list_free(windows);
  g_list_free(icons);
  return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  // Desktop tools and accessibility find the program by this name.
  g_set_prgname("minute-alarm");
  // Where the desktop's portal carries the keys the window is the desktop's own, drawn at the
  // screen's scale (an X server need not even be there); elsewhere it is an X11 window, as the
  // keys are grabs on the X root, and under Wayland it goes through XWayland.
  auto portal = minute_alarm::gtk::PortalShortcuts::Connect(MINUTE_ALARM_APP_ID);
  gdk_set_allowed_backends(portal ? "wayland,x11" : "x11");
  gtk_init(&argc, &argv);
  // Docks, window lists and the desktop file match the window by its class.
  gdk_set_program_class(MINUTE_ALARM_APP_ID);
  g_idle_add_full(G_PRIORITY_LOW, SetIcon, nullptr, nullptr);

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  {
    minute_alarm::gtk::GtkPlatform platform(loop, std::move(portal));
    minute_alarm::InstallPlatform(&platform);
    minute_alarm::StartUp();
    if (platform.WindowAlive() && !platform.BindHotKeys()) {
      minute_alarm::HotKeysRefused();
    }
    // StartUp closes the window when a hot key is taken; it is never shown then.
    if (platform.WindowAlive()) {
      platform.ShowWindow();
      g_main_loop_run(loop);
    }
    minute_alarm::gtk::ShutDownMci();
    minute_alarm::InstallPlatform(nullptr);
  }
  g_main_loop_unref(loop);
  return 0;
}
