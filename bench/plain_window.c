/* The yardstick for Minute Alarm's costs: a GTK3 window with the same widgets, sizes and
 * style and nothing else. With --count it also counts 1..60 in its title on a plain
 * g_timeout_add(1000), the timer whose drift the program's own tick avoids. */
#include <gtk/gtk.h>
#include <string.h>

static const char kStyle[] =
    "#playTime { min-height: 0; min-width: 0; padding: 0 2px; margin: 0;"
    " font-size: 11px; border-width: 1px; border-radius: 0; }"
    "#Label2 { color: #0000FF; }";

static int count;

static gboolean Tick(gpointer window) {
  count = count % 60 + 1;
  char title[8];
  g_snprintf(title, sizeof title, "%d", count);
  gtk_window_set_title(GTK_WINDOW(window), title);
  /* As the program does, so both titles reach the X server at once. */
  gdk_display_flush(gtk_widget_get_display(GTK_WIDGET(window)));
  return G_SOURCE_CONTINUE;
}

static GtkWidget* Place(GtkFixed* fixed, GtkWidget* child, const char* name, int left, int top,
                        int width, int height) {
  gtk_widget_set_name(child, name);
  gtk_widget_set_size_request(child, width, height);
  gtk_fixed_put(fixed, child, left, top);
  return child;
}

static GtkWidget* NewLabel(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0F);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  return label;
}

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  g_set_prgname("plain-window");
  gtk_init(&argc, &argv);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kStyle, -1, NULL);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "plain window");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  GtkFixed* fixed = GTK_FIXED(gtk_fixed_new());
  gtk_widget_set_size_request(GTK_WIDGET(fixed), 236, 80);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(fixed));
  Place(fixed, NewLabel("stop"), "Label1", 48, 8, 177, 25);
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(entry), "20");
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
  Place(fixed, entry, "playTime", 8, 8, 33, 18);
  Place(fixed, NewLabel("Minute Alarm \u00B7 F11 start/stop"), "Label2", 8, 48, 209, 25);
  gtk_widget_grab_focus(entry);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_widget_show_all(window);

  if (argc > 1 && strcmp(argv[1], "--count") == 0) {
    g_timeout_add(1000, Tick, window);
  }
  gtk_main();
  return 0;
}
