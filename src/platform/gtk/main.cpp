// Minute Alarm on a Linux desktop.
#include <gtk/gtk.h>

#include "app/form1.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/mci.h"

int main(int argc, char** argv) {
  // Hot keys are X key grabs; under Wayland this still gives XWayland.
  gdk_set_allowed_backends("x11");
  // Desktop tools and accessibility find the program by this name.
  g_set_prgname("minute-alarm");
  gtk_init(&argc, &argv);

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  {
    minute_alarm::gtk::GtkPlatform platform(loop);
    minute_alarm::InstallPlatform(&platform);
    minute_alarm::StartUp();
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
