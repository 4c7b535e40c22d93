#include "platform/gtk/mci.h"

#include <glib.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/gtk/mci_command.h"
#include "platform/gtk/mci_player.h"

namespace minute_alarm::gtk {
namespace {

// All of these belong to the GTK main thread.
void (*reporter)(const char* message) = ShowMciErrorBox;
bool report_open = false;
std::unique_ptr<MciPlayer> player;

void WriteOnStderr(const std::string& message) {
  const char* program = g_get_prgname();
  std::fprintf(stderr, "%s: %s\n", program != nullptr ? program : "minute-alarm", message.c_str());
}

void Report(const std::string& message) {
  if (reporter == nullptr || report_open) {
    return;
  }
  report_open = true;
  reporter(message.c_str());
}

gboolean ReportOnMainThread(gpointer message) {
  Report(*static_cast<const std::string*>(message));
  return G_SOURCE_REMOVE;
}

void DeleteMessage(gpointer message) { delete static_cast<std::string*>(message); }

// The worker's faults reach the reporter through the default main context, which the GTK
// main thread runs. (g_main_context_invoke would not do: it may run the function right
// here, on the worker, when no one holds the context.)
void ReportFromWorker(const std::string& message) {
  WriteOnStderr(message);
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, ReportOnMainThread, new std::string(message),
                  DeleteMessage);
}

void CloseBox(GtkWidget* /*box*/, gpointer /*unused*/) { MciErrorReportClosed(); }

// Built in one go, the box held the main loop for some 4 ms here, and a tick due meanwhile
// with it. In steps, one per turn of the loop, none took much over a millisecond: loading
// the dialog's class, making the box from its template, measuring, realizing, showing.
struct BoxBuild {
  std::string message;
  GtkWidget* box = nullptr;
  int step = 0;
};

gboolean BuildBoxStep(gpointer data) {
  auto* build = static_cast<BoxBuild*>(data);
  switch (build->step++) {
    case 0:
      g_type_class_unref(g_type_class_ref(GTK_TYPE_MESSAGE_DIALOG));
      return G_SOURCE_CONTINUE;
    case 1:
      build->box =
          gtk_message_dialog_new(nullptr, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR,
                                 GTK_BUTTONS_OK, "%s", build->message.c_str());
      gtk_window_set_title(GTK_WINDOW(build->box), "Minute Alarm");
      g_signal_connect_swapped(build->box, "response", G_CALLBACK(gtk_widget_destroy), build->box);
      // "destroy" also covers a box closed by the window manager.
      g_signal_connect(build->box, "destroy", G_CALLBACK(CloseBox), nullptr);
      return G_SOURCE_CONTINUE;
    case 2:
      gtk_widget_get_preferred_size(build->box, nullptr, nullptr);
      return G_SOURCE_CONTINUE;
    case 3:
      gtk_widget_realize(build->box);
      return G_SOURCE_CONTINUE;
    default:
      gtk_widget_show_all(build->box);
      return G_SOURCE_REMOVE;
  }
}

void DeleteBoxBuild(gpointer build) { delete static_cast<BoxBuild*>(build); }

}  // namespace

int ExecuteMciCommand(const char* command) {
  MciCommand parsed;
  std::string path;
  std::string fault = ParseMciCommand(command != nullptr ? command : "", parsed);
  if (fault.empty()) {
    fault = FindSoundFile(parsed.element, path);
  }
  if (!fault.empty()) {
    WriteOnStderr(fault);
    Report(fault);
    return 0;
  }
  if (!player) {
    player = std::make_unique<MciPlayer>(ReportFromWorker);
  }
  player->Play(path);
  return 1;
}

void SetMciErrorReporter(void (*new_reporter)(const char* message)) {
  reporter = new_reporter;
  report_open = false;
}

void MciErrorReportClosed() { report_open = false; }

void ShowMciErrorBox(const char* message) {
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, BuildBoxStep, new BoxBuild{message}, DeleteBoxBuild);
}

void ShutDownMci() { player.reset(); }

}  // namespace minute_alarm::gtk
