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
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_DESTROY_WITH_PARENT,
                                          GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", message);
  gtk_window_set_title(GTK_WINDOW(box), "Minute Alarm");
  g_signal_connect_swapped(box, "response", G_CALLBACK(gtk_widget_destroy), box);
  // "destroy" also covers a box closed by the window manager.
  g_signal_connect(box, "destroy", G_CALLBACK(CloseBox), nullptr);
  gtk_widget_show_all(box);
}

void ShutDownMci() {
  // Long enough for any live server to take a flush; a frozen one must not hold the exit.
  constexpr std::chrono::milliseconds kGrace{500};
  if (player && !player->Stop(kGrace)) {
    // The worker still uses the player; the process ends around both.
    static_cast<void>(player.release());
  }
  player.reset();
}

}  // namespace minute_alarm::gtk
