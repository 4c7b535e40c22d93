#include "platform/gtk/portal_shortcuts.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hotkeys/hotkeys.h"
#include "platform/gtk/key_codes.h"
#include "platform/utf_text.h"

namespace minute_alarm::gtk {
namespace {

constexpr char kPortal[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kShortcuts[] = "org.freedesktop.portal.GlobalShortcuts";
// The user decides in a dialog on some desktops: give them time.
constexpr gint64 kAnswerWithinUs = gint64{300} * G_USEC_PER_SEC;

constexpr std::uint32_t kModAlt = 0x1;
constexpr std::uint32_t kModControl = 0x2;
constexpr std::uint32_t kModShift = 0x4;
constexpr std::uint32_t kModWin = 0x8;

// A trigger as desktops write them: "CTRL+ALT+F11".
std::string Trigger(std::uint32_t modifiers, std::uint32_t keyCode) {
  std::string trigger;
  for (const auto& [bit, name] : {std::pair{kModControl, "CTRL+"}, std::pair{kModAlt, "ALT+"},
                                  std::pair{kModShift, "SHIFT+"}, std::pair{kModWin, "LOGO+"}}) {
    if ((modifiers & bit) != 0) {
      trigger += name;
    }
  }
  const char* key = XKeysymToString(KeysymFromVirtualKey(keyCode));
  return key != nullptr ? trigger + key : std::string();
}

struct Answer {
  bool done = false;
  guint32 code = 2;
  GVariant* results = nullptr;
};

void OnResponse(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                const gchar* /*interface*/, const gchar* /*signal*/, GVariant* parameters,
                gpointer data) {
  auto* answer = static_cast<Answer*>(data);
  g_variant_get(parameters, "(u@a{sv})", &answer->code, &answer->results);
  answer->done = true;
}

// Whether a Response's results list every id of `wanted` as bound: some portals answer
// 2 ("ended otherwise") even when they bound the keys, and tell so only here.
bool AllBound(GVariant* results,
              const std::map<int, std::pair<std::uint32_t, std::uint32_t>>& wanted) {
  GVariant* bound = results != nullptr
                        ? g_variant_lookup_value(results, "shortcuts", G_VARIANT_TYPE("a(sa{sv})"))
                        : nullptr;
  if (bound == nullptr) {
    return false;
  }
  std::size_t found = 0;
  for (const auto& [id, key] : wanted) {
    GVariantIter iter;
    const gchar* name = nullptr;
    g_variant_iter_init(&iter, bound);
    while (g_variant_iter_next(&iter, "(&s@a{sv})", &name, nullptr)) {
      found += std::to_string(id) == name ? 1 : 0;
    }
  }
  g_variant_unref(bound);
  return found == wanted.size();
}

}  // namespace

std::unique_ptr<PortalShortcuts> PortalShortcuts::Connect(const char* appId) {
  if (g_getenv("WAYLAND_DISPLAY") == nullptr) {
    return nullptr;
  }
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  // A program outside a sandbox tells the portal who it is, before anything else it asks,
  // where the portal has the registry.
  GVariant* registered =
      bus == nullptr ? nullptr
                     : g_dbus_connection_call_sync(
                           bus, kPortal, kPortalPath, "org.freedesktop.host.portal.Registry",
                           "Register", g_variant_new("(sa{sv})", appId, nullptr), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (registered != nullptr) {
    g_variant_unref(registered);
  }
  GVariant* version = bus == nullptr
                          ? nullptr
                          : g_dbus_connection_call_sync(
                                bus, kPortal, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
                                g_variant_new("(ss)", kShortcuts, "version"), nullptr,
                                G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (version == nullptr) {
    std::fprintf(stderr,
                 "%s: no desktop portal offers global shortcuts here: F9, F10 and F11 work only "
                 "while an X11 window has the focus.\n",
                 g_get_prgname());
    if (bus != nullptr) {
      g_object_unref(bus);
    }
    return nullptr;
  }
  g_variant_unref(version);
  return std::unique_ptr<PortalShortcuts>(new PortalShortcuts(bus));
}

PortalShortcuts::PortalShortcuts(GDBusConnection* bus) : bus_(bus) {}

void PortalShortcuts::SetDelivery(Delivery delivery) { delivery_ = std::move(delivery); }

PortalShortcuts::~PortalShortcuts() {
  Close();
  g_object_unref(bus_);
}

bool PortalShortcuts::Register(int id, std::uint32_t modifiers, std::uint32_t keyCode) {
  if (!session_.empty() || Trigger(modifiers, keyCode).empty()) {
    return false;
  }
  keys_[id] = {modifiers, keyCode};
  return true;
}

GVariant* PortalShortcuts::Shortcuts() const {
  GVariantBuilder list;
  g_variant_builder_init(&list, G_VARIANT_TYPE("a(sa{sv})"));
  for (const auto& [id, key] : keys_) {
    GVariantBuilder details;
    g_variant_builder_init(&details, G_VARIANT_TYPE_VARDICT);
    const std::string trigger = Trigger(key.first, key.second);
    // What the desktop lists where its user rebinds the keys.
    const std::string description = Utf8FromUtf16(HotKeyDescription(id));
    g_variant_builder_add(&details, "{sv}", "description",
                          g_variant_new_string(description.c_str()));
    g_variant_builder_add(&details, "{sv}", "preferred_trigger",
                          g_variant_new_string(trigger.c_str()));
    g_variant_builder_add(&list, "(sa{sv})", std::to_string(id).c_str(), &details);
  }
  return g_variant_builder_end(&list);
}

bool PortalShortcuts::Request(const char* method,
                              const std::function<GVariant*(const char* token)>& arguments,
                              guint32& code, GVariant*& results) {
  // The answer comes on a Request object whose path the token fixes in advance: listen there
  // first, on a context of our own so nothing else of the program runs meanwhile.
  const std::string token = "minute_alarm_" + std::to_string(++requests_);
  std::string sender = g_dbus_connection_get_unique_name(bus_) + 1;
  for (char& c : sender) {
    c = c == '.' ? '_' : c;
  }
  const std::string path = std::string(kPortalPath) + "/request/" + sender + "/" + token;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  Answer answer;
  const guint subscription = g_dbus_connection_signal_subscribe(
      bus_, kPortal, "org.freedesktop.portal.Request", "Response", path.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, OnResponse, &answer, nullptr);
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(bus_, kPortal, kPortalPath, kShortcuts, method,
                                                arguments(token.c_str()), nullptr,
                                                G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
  const gint64 deadline = g_get_monotonic_time() + kAnswerWithinUs;
  while (reply != nullptr && !answer.done && g_get_monotonic_time() < deadline) {
    g_main_context_iteration(context, TRUE);
  }
  g_dbus_connection_signal_unsubscribe(bus_, subscription);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  if (reply == nullptr) {
    std::fprintf(stderr, "%s: the desktop portal refused %s: %s\n", g_get_prgname(), method,
                 error->message);
    g_error_free(error);
    return false;
  }
  g_variant_unref(reply);
  code = answer.code;
  results = answer.results;
  return answer.done;
}

bool PortalShortcuts::Bind() {
  if (keys_.empty() || !session_.empty()) {
    return true;
  }
  guint32 code = 2;
  GVariant* results = nullptr;
  // The shortcuts go with the session too: older portals bind only those.
  if (!Request(
          "CreateSession",
          [this](const char* token) {
            GVariantBuilder options;
            g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token));
            g_variant_builder_add(&options, "{sv}", "session_handle_token",
                                  g_variant_new_string(token));
            g_variant_builder_add(&options, "{sv}", "shortcuts", Shortcuts());
            return g_variant_new("(a{sv})", &options);
          },
          code, results)) {
    return false;
  }
  const gchar* session = nullptr;
  if (code == 0 && results != nullptr &&
      (g_variant_lookup(results, "session_handle", "&s", &session) ||
       g_variant_lookup(results, "session_handle", "&o", &session))) {
    session_ = session;
  }
  if (results != nullptr) {
    g_variant_unref(results);
  }
  if (session_.empty()) {
    return false;
  }
  activated_ = g_dbus_connection_signal_subscribe(bus_, kPortal, kShortcuts, "Activated",
                                                  kPortalPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                  OnActivated, this, nullptr);
  results = nullptr;
  const bool answered = Request(
      "BindShortcuts",
      [this](const char* token) {
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token));
        return g_variant_new("(o@a(sa{sv})sa{sv})", session_.c_str(), Shortcuts(), "", &options);
      },
      code, results);
  const bool bound = answered && (code == 0 || AllBound(results, keys_));
  if (results != nullptr) {
    g_variant_unref(results);
  }
  return bound;
}

void PortalShortcuts::OnActivated(GDBusConnection* /*bus*/, const gchar* /*sender*/,
                                  const gchar* /*path*/, const gchar* /*interface*/,
                                  const gchar* /*signal*/, GVariant* parameters, gpointer self) {
  auto* portal = static_cast<PortalShortcuts*>(self);
  const gchar* session = nullptr;
  const gchar* name = nullptr;
  g_variant_get(parameters, "(&o&sta{sv})", &session, &name, nullptr, nullptr);
  if (portal->session_ != session) {
    return;
  }
  const int id = std::atoi(name);
  const auto key = portal->keys_.find(id);
  if (key != portal->keys_.end() && portal->delivery_) {
    const auto [modifiers, keyCode] = key->second;
    portal->delivery_(id, static_cast<std::intptr_t>((keyCode << 16U) | (modifiers & 0xFFFFU)));
  }
}

bool PortalShortcuts::Unregister(int id) {
  if (keys_.erase(id) == 0) {
    return false;
  }
  if (keys_.empty()) {
    Close();
  }
  return true;
}

void PortalShortcuts::Close() {
  if (activated_ != 0) {
    g_dbus_connection_signal_unsubscribe(bus_, activated_);
    activated_ = 0;
  }
  if (!session_.empty()) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus_, kPortal, session_.c_str(), "org.freedesktop.portal.Session", "Close", nullptr,
        nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (reply != nullptr) {
      g_variant_unref(reply);
    }
    session_.clear();
  }
}

}  // namespace minute_alarm::gtk
