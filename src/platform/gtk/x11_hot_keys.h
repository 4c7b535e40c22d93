// System-wide hot keys: passive key grabs on the X root window.
#pragma once

#include <X11/Xlib.h>
#include <gdk/gdk.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace minute_alarm::gtk {

class X11HotKeys {
 public:
  // Called for every press of a registered key, with its id and the lParam
  // that WM_HOTKEY would carry.
  using Delivery = std::function<void(int id, std::intptr_t lParam)>;

  explicit X11HotKeys(Delivery delivery);
  X11HotKeys(const X11HotKeys&) = delete;
  X11HotKeys& operator=(const X11HotKeys&) = delete;
  ~X11HotKeys();

  // False when the key has no X counterpart or another client holds it.
  bool Register(int id, std::uint32_t modifiers, std::uint32_t keyCode);
  bool Unregister(int id);

 private:
  struct HotKey {
    KeyCode keycode;
    unsigned mask;
    std::uint32_t modifiers;
    std::uint32_t keyCode;
    std::vector<unsigned> grabs;  // the full modifier state of every grab made
  };

  static GdkFilterReturn Filter(GdkXEvent* xevent, GdkEvent* event, gpointer data);
  bool Grab(KeyCode keycode, const std::vector<unsigned>& modifiers);
  void Ungrab(KeyCode keycode, unsigned modifiers);
  std::vector<unsigned> LockVariants();
  unsigned LockMaskOf(const XModifierKeymap* map, KeySym lock);

  Delivery delivery_;
  GdkDisplay* display_;
  Display* xdisplay_;
  Window root_;
  std::map<int, HotKey> keys_;
  unsigned ignoredLocks_ = LockMask;
};

}  // namespace minute_alarm::gtk
