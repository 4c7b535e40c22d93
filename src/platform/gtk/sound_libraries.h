// libmpg123 and libpulse, opened at the first play instead of linked: with what they
// pull in they are 15 shared libraries, which made start-up measurably slower than a plain
// GTK window's (bench/run) for a sound that may never play.
#pragma once

#include <mpg123.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <string>

namespace minute_alarm::gtk {

struct SoundLibraries {
  decltype(&::mpg123_new) mpg123_new;
  decltype(&::mpg123_delete) mpg123_delete;
  decltype(&::mpg123_param) mpg123_param;
  decltype(&::mpg123_format_none) mpg123_format_none;
  decltype(&::mpg123_rates) mpg123_rates;
  decltype(&::mpg123_format) mpg123_format;
  decltype(&::mpg123_replace_reader_handle) mpg123_replace_reader_handle;
  decltype(&::mpg123_open_handle) mpg123_open_handle;
  decltype(&::mpg123_close) mpg123_close;
  decltype(&::mpg123_getformat) mpg123_getformat;
  decltype(&::mpg123_read) mpg123_read;
  decltype(&::mpg123_strerror) mpg123_strerror;
  decltype(&::mpg123_plain_strerror) mpg123_plain_strerror;
  decltype(&::pa_mainloop_new) pa_mainloop_new;
  decltype(&::pa_mainloop_free) pa_mainloop_free;
  decltype(&::pa_mainloop_get_api) pa_mainloop_get_api;
  decltype(&::pa_mainloop_iterate) pa_mainloop_iterate;
  decltype(&::pa_mainloop_wakeup) pa_mainloop_wakeup;
  decltype(&::pa_context_new) pa_context_new;
  decltype(&::pa_context_connect) pa_context_connect;
  decltype(&::pa_context_disconnect) pa_context_disconnect;
  decltype(&::pa_context_unref) pa_context_unref;
  decltype(&::pa_context_get_state) pa_context_get_state;
  decltype(&::pa_context_errno) pa_context_errno;
  decltype(&::pa_stream_new) pa_stream_new;
  decltype(&::pa_stream_connect_playback) pa_stream_connect_playback;
  decltype(&::pa_stream_get_state) pa_stream_get_state;
  decltype(&::pa_stream_writable_size) pa_stream_writable_size;
  decltype(&::pa_stream_write) pa_stream_write;
  decltype(&::pa_stream_drain) pa_stream_drain;
  decltype(&::pa_stream_disconnect) pa_stream_disconnect;
  decltype(&::pa_stream_unref) pa_stream_unref;
  decltype(&::pa_operation_get_state) pa_operation_get_state;
  decltype(&::pa_operation_unref) pa_operation_unref;
  decltype(&::pa_strerror) pa_strerror;
  decltype(&::pa_usec_to_bytes) pa_usec_to_bytes;
  decltype(&::pa_frame_size) pa_frame_size;
};

// The libraries' functions, opened once on the first call from any thread; nullptr, with
// why in `fault`, when a library or one of its functions cannot be found.
const SoundLibraries* OpenSoundLibraries(std::string& fault);

}  // namespace minute_alarm::gtk
