#include "platform/gtk/mci.h"

#include <glib.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/gtk/mci_command.h"
#include "platform/gtk/mci_player.h"

namespace minute_alarm::gtk {
namespace {

// Both belong to the GTK main thread.
bool box_open = false;
std::unique_ptr<MciPlayer> player;

void WriteOnStderr(const std::string& message) {
  const char* program = g_get_prgname();
  std::fprintf(stderr, "%s: %s\n", program != nullptr ? program : "minute-alarm", message.c_str());
}

void ShowErrorBox(const std::string& message);

void Report(const std::string& message) {
  if (box_open) {
    return;
  }
  box_open = true;
  ShowErrorBox(message);
}

gboolean ReportOnMainThread(gpointer message) {
  Report(*static_cast<const std::string*>(message));
  return G_SOURCE_REMOVE;
}

gboolean WriteAndReport(gpointer message) {
  WriteOnStderr(*static_cast<const std::string*>(message));
  return ReportOnMainThread(message);
}

void DeleteMessage(gpointer message) { delete static_cast<std::string*>(message); }

// The worker's faults reach the box through the default main context, which the GTK
// main thread runs. (g_main_context_invoke would not do: it may run the function right
// here, on the worker, when no one holds the context.) The worker waits kFaultDelay itself.
void ReportFromWorker(const std::string& message) {
  WriteOnStderr(message);
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, ReportOnMainThread, new std::string(message),
                  DeleteMessage);
}

void CloseBox(GtkWidget* /*box*/, gpointer /*unused*/) { box_open = false; }

gboolean CloseOnEscape(GtkWidget* box, GdkEventKey* event, gpointer /*unused*/) {
  if (event->keyval != GDK_KEY_Escape) {
    return FALSE;
  }
  gtk_widget_destroy(box);
  return TRUE;
}

// A GtkMessageDialog held the main loop for up to 2 ms just to be made from its template,
// and as long again to be shown. This box is put together by hand, over several turns of
// the loop of well under a millisecond each: making the widgets, measuring, realizing,
// showing, resizing.
struct BoxBuild {
  std::string message;
  GtkWidget* box = nullptr;
  int step = 0;
};

GtkWidget* MakeBox(const std::string& message) {
  GtkWidget* box = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(box), "Minute Alarm");
  gtk_window_set_type_hint(GTK_WINDOW(box), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_resizable(GTK_WINDOW(box), FALSE);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  GtkWidget* text = gtk_label_new(message.c_str());
  gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(text), 60);
  gtk_widget_set_margin_start(text, 12);
  gtk_widget_set_margin_end(text, 12);
  gtk_widget_set_margin_top(text, 6);
  GtkWidget* ok = gtk_button_new_with_mnemonic("_OK");
  gtk_widget_set_halign(ok, GTK_ALIGN_END);
  gtk_widget_set_size_request(ok, 80, -1);
  gtk_box_pack_start(GTK_BOX(column), text, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(column), ok, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(box), column);
  atk_object_set_role(gtk_widget_get_accessible(box), ATK_ROLE_ALERT);

  // Enter and Space answer the box as OK does; Escape and the window manager close it.
  gtk_widget_set_can_default(ok, TRUE);
  gtk_window_set_default(GTK_WINDOW(box), ok);
  gtk_window_set_focus(GTK_WINDOW(box), ok);
  g_signal_connect_swapped(ok, "clicked", G_CALLBACK(gtk_widget_destroy), box);
  g_signal_connect(box, "key-press-event", G_CALLBACK(CloseOnEscape), nullptr);
  g_signal_connect(box, "destroy", G_CALLBACK(CloseBox), nullptr);
  return box;
}

// Centred on the primary monitor, as a box without an owner is on Windows. Placed by hand:
// GTK_WIN_POS_CENTER asks the X server for the pointer and the work area several times over.
void PlaceInTheMiddle(GtkWidget* box) {
  GtkRequisition size{};
  gtk_widget_get_preferred_size(box, nullptr, &size);
  GdkDisplay* display = gtk_widget_get_display(box);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) {
    monitor = gdk_display_get_monitor(display, 0);
  }
  if (monitor != nullptr) {
    GdkRectangle area{};
    gdk_monitor_get_geometry(monitor, &area);
    gtk_window_move(GTK_WINDOW(box), area.x + (area.width - size.width) / 2,
                    area.y + (area.height - size.height) / 2);
  }
}

gboolean BuildBoxStep(gpointer data) {
  auto* build = static_cast<BoxBuild*>(data);
  switch (build->step++) {
    case 0:
      build->box = MakeBox(build->message);
      // Once shown, the box may be closed before the last step.
      g_object_add_weak_pointer(G_OBJECT(build->box), reinterpret_cast<gpointer*>(&build->box));
      // The children are shown now so that the measuring step has something to measure.
      gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(build->box)));
      return G_SOURCE_CONTINUE;
    case 1:
      PlaceInTheMiddle(build->box);
      return G_SOURCE_CONTINUE;
    case 2:
      gtk_widget_realize(build->box);
      return G_SOURCE_CONTINUE;
    case 3:
      gtk_widget_show(build->box);
      // Mapping queues one more resize, which the box's first frame would otherwise do along
      // with its first drawing (together some 2 ms); done ahead of the frame, it splits it.
      g_source_set_priority(g_main_current_source(), G_PRIORITY_HIGH_IDLE);
      return G_SOURCE_CONTINUE;
    default:
      if (build->box != nullptr) {
        gtk_container_check_resize(GTK_CONTAINER(build->box));
      }
      return G_SOURCE_REMOVE;
  }
}

void DeleteBoxBuild(gpointer data) {
  auto* build = static_cast<BoxBuild*>(data);
  if (build->box != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(build->box), reinterpret_cast<gpointer*>(&build->box));
  }
  delete build;
}

// A non-modal box with an OK button that destroys itself when answered.
void ShowErrorBox(const std::string& message) {
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, BuildBoxStep, new BoxBuild{message}, DeleteBoxBuild);
}

}  // namespace

int ExecuteMciCommand(const char* command) {
  MciCommand parsed;
  std::string path;
  std::string fault = ParseMciCommand(command != nullptr ? command : "", parsed);
  if (fault.empty()) {
    fault = FindSoundFile(parsed.element, path);
  }
  if (!fault.empty()) {
    g_timeout_add_full(G_PRIORITY_DEFAULT_IDLE, static_cast<guint>(kFaultDelay.count()),
                       WriteAndReport, new std::string(fault), DeleteMessage);
    return 0;
  }
  if (!player) {
    player = std::make_unique<MciPlayer>(ReportFromWorker);
  }
  player->Play(path);
  return 1;
}

void ShutDownMci() {
  // Long enough for any live server to take a flush; a frozen one must not hold the exit.
  constexpr std::chrono::milliseconds kGrace{500};
  if (player && !player->Stop(kGrace)) {
    // The worker still uses the player; the process ends around both.
    [[maybe_unused]] MciPlayer* const abandoned = player.release();
  }
  player.reset();
}

}  // namespace minute_alarm::gtk
