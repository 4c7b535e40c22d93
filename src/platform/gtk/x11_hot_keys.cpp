#include "platform/gtk/x11_hot_keys.h"

#include <gdk/gdkx.h>

#include <utility>

#include "platform/gtk/key_codes.h"

namespace minute_alarm::gtk {

X11HotKeys::X11HotKeys(Delivery delivery)
    : delivery_(std::move(delivery)),
      display_(gdk_display_get_default()),
      xdisplay_(GDK_DISPLAY_XDISPLAY(display_)),
      root_(DefaultRootWindow(xdisplay_)) {
  gdk_window_add_filter(gdk_get_default_root_window(), &X11HotKeys::Filter, this);
}

X11HotKeys::~X11HotKeys() {
  gdk_window_remove_filter(gdk_get_default_root_window(), &X11HotKeys::Filter, this);
  while (!keys_.empty()) {
    Unregister(keys_.begin()->first);
  }
}

unsigned X11HotKeys::LockMaskOf(const XModifierKeymap* map, KeySym lock) {
  const KeyCode lockCode = XKeysymToKeycode(xdisplay_, lock);
  if (lockCode == 0) {
    return 0;
  }
  unsigned mask = 0;
  for (int modifier = 0; modifier < 8; ++modifier) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      if (map->modifiermap[modifier * map->max_keypermod + k] == lockCode) {
        mask |= 1U << modifier;
      }
    }
  }
  return mask;
}

std::vector<unsigned> X11HotKeys::LockVariants() {
  XModifierKeymap* map = XGetModifierMapping(xdisplay_);
  const unsigned numMask = LockMaskOf(map, XK_Num_Lock);
  const unsigned scrollMask = LockMaskOf(map, XK_Scroll_Lock);
  XFreeModifiermap(map);
  ignoredLocks_ = LockMask | numMask | scrollMask;
  return LockCombinations(LockMask, numMask, scrollMask);
}

// Every lock variant in one round trip: a refusal of any means the key is taken.
bool X11HotKeys::Grab(KeyCode keycode, const std::vector<unsigned>& modifiers) {
  gdk_x11_display_error_trap_push(display_);
  for (const unsigned variant : modifiers) {
    // owner_events False: the press comes to the root window even when one of
    // our own windows has the focus, so the filter below sees every one.
    XGrabKey(xdisplay_, keycode, variant, root_, False, GrabModeAsync, GrabModeAsync);
  }
  XSync(xdisplay_, False);
  return gdk_x11_display_error_trap_pop(display_) == 0;
}

void X11HotKeys::Ungrab(KeyCode keycode, unsigned modifiers) {
  gdk_x11_display_error_trap_push(display_);
  XUngrabKey(xdisplay_, keycode, modifiers, root_);
  XSync(xdisplay_, False);
  gdk_x11_display_error_trap_pop_ignored(display_);
}

bool X11HotKeys::Register(int id, std::uint32_t modifiers, std::uint32_t keyCode) {
  const KeySym keysym = KeysymFromVirtualKey(keyCode);
  const std::optional<unsigned> mask = ModifierMaskFromWindows(modifiers);
  if (keysym == NoSymbol || !mask || keys_.contains(id)) {
    return false;
  }
  const KeyCode keycode = XKeysymToKeycode(xdisplay_, keysym);
  if (keycode == 0) {
    return false;
  }
  HotKey key{keycode, *mask, modifiers, keyCode, {}};
  for (const unsigned variant : LockVariants()) {
    key.grabs.push_back(*mask | variant);
  }
  if (!Grab(keycode, key.grabs)) {
    // BadAccess: another client holds one of them. Leave no half grab (an ungrab releases
    // only this client's own).
    for (const unsigned grabbed : key.grabs) {
      Ungrab(keycode, grabbed);
    }
    return false;
  }
  keys_.emplace(id, std::move(key));
  return true;
}

bool X11HotKeys::Unregister(int id) {
  const auto found = keys_.find(id);
  if (found == keys_.end()) {
    return false;
  }
  for (const unsigned grabbed : found->second.grabs) {
    Ungrab(found->second.keycode, grabbed);
  }
  keys_.erase(found);
  return true;
}

GdkFilterReturn X11HotKeys::Filter(GdkXEvent* xevent, GdkEvent* /*event*/, gpointer data) {
  auto* self = static_cast<X11HotKeys*>(data);
  const auto* event = static_cast<const XEvent*>(static_cast<void*>(xevent));
  if (event->type != KeyPress) {
    return GDK_FILTER_CONTINUE;
  }
  constexpr unsigned kModifierBits =
      ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;
  const unsigned pressed = event->xkey.state & kModifierBits & ~self->ignoredLocks_;
  for (const auto& [id, key] : self->keys_) {
    if (key.keycode == event->xkey.keycode && key.mask == pressed) {
      const auto lParam = static_cast<std::intptr_t>(key.modifiers | (key.keyCode << 16U));
      // The key table may change under the call (the command can close the
      // window and release every key), so the loop ends here.
      self->delivery_(id, lParam);
      return GDK_FILTER_REMOVE;
    }
  }
  return GDK_FILTER_CONTINUE;
}

}  // namespace minute_alarm::gtk
