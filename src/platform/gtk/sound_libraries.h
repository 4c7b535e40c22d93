// libmpg123 and libpulse-simple, opened at the first play instead of linked: with what they
// pull in they are 15 shared libraries, which made start-up measurably slower than a plain
// GTK window's (bench/run) for a sound that may never play.
#pragma once

#include <mpg123.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <string>

namespace minute_alarm::gtk {

struct SoundLibraries {
  decltype(&::mpg123_new) mpg123_new;
  decltype(&::mpg123_delete) mpg123_delete;
  decltype(&::mpg123_param) mpg123_param;
  decltype(&::mpg123_format_none) mpg123_format_none;
  decltype(&::mpg123_rates) mpg123_rates;
  decltype(&::mpg123_format) mpg123_format;
  decltype(&::mpg123_open) mpg123_open;
  decltype(&::mpg123_close) mpg123_close;
  decltype(&::mpg123_getformat) mpg123_getformat;
  decltype(&::mpg123_read) mpg123_read;
  decltype(&::mpg123_strerror) mpg123_strerror;
  decltype(&::mpg123_plain_strerror) mpg123_plain_strerror;
  decltype(&::pa_simple_new) pa_simple_new;
  decltype(&::pa_simple_free) pa_simple_free;
  decltype(&::pa_simple_write) pa_simple_write;
  decltype(&::pa_simple_flush) pa_simple_flush;
  decltype(&::pa_simple_drain) pa_simple_drain;
  decltype(&::pa_strerror) pa_strerror;
  decltype(&::pa_usec_to_bytes) pa_usec_to_bytes;
  decltype(&::pa_frame_size) pa_frame_size;
};

// The libraries' functions, opened once on the first call from any thread; nullptr, with
// why in `fault`, when a library or one of its functions cannot be found.
const SoundLibraries* OpenSoundLibraries(std::string& fault);

}  // namespace minute_alarm::gtk
