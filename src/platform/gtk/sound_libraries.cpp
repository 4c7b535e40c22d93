#include "platform/gtk/sound_libraries.h"

#include <dlfcn.h>

namespace minute_alarm::gtk {
namespace {

// The name a function's symbol has after the headers' macros (mpg123 renames some for
// large-file builds).
#define MINUTE_ALARM_SYMBOL_NAME(name) #name
#define MINUTE_ALARM_SYMBOL(name) MINUTE_ALARM_SYMBOL_NAME(name)

template <typename Function>
bool Find(void* library, const char* name, Function& function, std::string& fault) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (function == nullptr) {
    fault = std::string("the sound library lacks ") + name + ".";
  }
  return function != nullptr;
}

struct Opened {
  SoundLibraries functions{};
  std::string fault;
  bool complete = false;
};

Opened Open() {
  Opened opened;
  std::string& fault = opened.fault;
  void* mpg123 = dlopen("libmpg123.so.0", RTLD_NOW | RTLD_LOCAL);
  void* pulse = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
  if (mpg123 == nullptr || pulse == nullptr) {
    fault = std::string("a sound library cannot be loaded (") + dlerror() + ").";
    return opened;
  }
  SoundLibraries& f = opened.functions;
#define MINUTE_ALARM_FIND(library, name) Find(library, MINUTE_ALARM_SYMBOL(name), f.name, fault)
  opened.complete =
      MINUTE_ALARM_FIND(mpg123, mpg123_new) && MINUTE_ALARM_FIND(mpg123, mpg123_delete) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_param) && MINUTE_ALARM_FIND(mpg123, mpg123_format_none) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_rates) && MINUTE_ALARM_FIND(mpg123, mpg123_format) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_replace_reader_handle) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_open_handle) && MINUTE_ALARM_FIND(mpg123, mpg123_close) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_getformat) && MINUTE_ALARM_FIND(mpg123, mpg123_read) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_strerror) &&
      MINUTE_ALARM_FIND(mpg123, mpg123_plain_strerror) &&
      MINUTE_ALARM_FIND(pulse, pa_mainloop_new) && MINUTE_ALARM_FIND(pulse, pa_mainloop_free) &&
      MINUTE_ALARM_FIND(pulse, pa_mainloop_get_api) &&
      MINUTE_ALARM_FIND(pulse, pa_mainloop_iterate) &&
      MINUTE_ALARM_FIND(pulse, pa_mainloop_wakeup) && MINUTE_ALARM_FIND(pulse, pa_context_new) &&
      MINUTE_ALARM_FIND(pulse, pa_context_connect) &&
      MINUTE_ALARM_FIND(pulse, pa_context_disconnect) &&
      MINUTE_ALARM_FIND(pulse, pa_context_unref) &&
      MINUTE_ALARM_FIND(pulse, pa_context_get_state) &&
      MINUTE_ALARM_FIND(pulse, pa_context_errno) && MINUTE_ALARM_FIND(pulse, pa_stream_new) &&
      MINUTE_ALARM_FIND(pulse, pa_stream_connect_playback) &&
      MINUTE_ALARM_FIND(pulse, pa_stream_get_state) &&
      MINUTE_ALARM_FIND(pulse, pa_stream_writable_size) &&
      MINUTE_ALARM_FIND(pulse, pa_stream_write) && MINUTE_ALARM_FIND(pulse, pa_stream_drain) &&
      MINUTE_ALARM_FIND(pulse, pa_stream_disconnect) && MINUTE_ALARM_FIND(pulse, pa_stream_unref) &&
      MINUTE_ALARM_FIND(pulse, pa_operation_get_state) &&
      MINUTE_ALARM_FIND(pulse, pa_operation_unref) && MINUTE_ALARM_FIND(pulse, pa_strerror) &&
      MINUTE_ALARM_FIND(pulse, pa_usec_to_bytes) && MINUTE_ALARM_FIND(pulse, pa_frame_size);
#undef MINUTE_ALARM_FIND
  return opened;
}

}  // namespace

const SoundLibraries* OpenSoundLibraries(std::string& fault) {
  static const Opened opened = Open();  // thread-safe, once
  fault = opened.fault;
  return opened.complete ? &opened.functions : nullptr;
}

}  // namespace minute_alarm::gtk
