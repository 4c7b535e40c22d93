// Presses keys as KWin's own input: fake_keys CODE HOLD_MS [CODE HOLD_MS ...] (evdev codes).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static struct org_kde_kwin_fake_input *input;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version) {
  (void)data;
  if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
    input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
  }
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data, (void)registry, (void)name;
}

int main(int argc, char **argv) {
  static const struct wl_registry_listener listener = {global, global_remove};
  struct wl_display *display = wl_display_connect(NULL);
  if (display == NULL) {
    fprintf(stderr, "fake_keys: no Wayland display\n");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
  wl_display_roundtrip(display);
  if (input == NULL) {
    fprintf(stderr, "fake_keys: the compositor offers no fake input\n");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(input, "minute-alarm tests", "keys for the tests");
  for (int i = 1; i + 1 < argc; i += 2) {
    org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)atoi(argv[i]), 1);
    wl_display_roundtrip(display);
    usleep((useconds_t)atoi(argv[i + 1]) * 1000);
    org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)atoi(argv[i]), 0);
    wl_display_roundtrip(display);
  }
  wl_display_disconnect(display);
  return 0;
}
