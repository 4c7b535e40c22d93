// System-wide keys on a Wayland session: the desktop portal's GlobalShortcuts. There the X
// grabs see keys only while an XWayland window has the focus; the compositor sees them all.
#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace minute_alarm::gtk {

class PortalShortcuts {
 public:
  // Called once for every Activated signal, with the id and the lParam that WM_HOTKEY would
  // carry. The desktop repeats Activated while a key is held, as Windows repeats WM_HOTKEY.
  using Delivery = std::function<void(int id, std::intptr_t lParam)>;

  // The portal's client on a Wayland session whose portal offers GlobalShortcuts; null
  // elsewhere (the X grabs serve then). Needs no display: it decides which one GTK opens.
  static std::unique_ptr<PortalShortcuts> Connect(const char* appId);
  PortalShortcuts(const PortalShortcuts&) = delete;
  PortalShortcuts& operator=(const PortalShortcuts&) = delete;
  ~PortalShortcuts();

  void SetDelivery(Delivery delivery);
  // Keys are noted one by one and bound together by Bind: the desktop asks its user once,
  // for all of them.
  bool Register(int id, std::uint32_t modifiers, std::uint32_t keyCode);
  // One session holding every key noted; false when the desktop or its user refuses any.
  bool Bind();
  // The session closes with the last key.
  bool Unregister(int id);

 private:
  explicit PortalShortcuts(GDBusConnection* bus);
  // Calls a portal method that answers through a Request object, and waits for the answer.
  // `arguments` makes the call's arguments from the request's handle token; the answer's
  // results are the caller's to unref. False when the call itself failed.
  bool Request(const char* method, const std::function<GVariant*(const char* token)>& arguments,
               guint32& code, GVariant*& results);
  GVariant* Shortcuts() const;
  static void OnActivated(GDBusConnection* bus, const gchar* sender, const gchar* path,
                          const gchar* interface, const gchar* signal, GVariant* parameters,
                          gpointer self);
  void Close();

  GDBusConnection* bus_;
  Delivery delivery_;
  std::map<int, std::pair<std::uint32_t, std::uint32_t>> keys_;  // id -> modifiers, key
  std::string session_;
  guint activated_ = 0;
  unsigned requests_ = 0;
};

}  // namespace minute_alarm::gtk
