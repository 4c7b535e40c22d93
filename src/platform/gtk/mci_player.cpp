#include "platform/gtk/mci_player.h"

#include <glib/gstdio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gtk/mci_command.h"
#include "platform/gtk/sound_libraries.h"

namespace minute_alarm::gtk {
namespace {

// The server's buffer for our stream. Small, so the chime starts as soon as it is written
// and stops soon after it is interrupted.
constexpr pa_usec_t kTargetLatencyUsec = 30'000;
// Decoded sound is handed over in pieces of this length.
constexpr long kPiecesPerSecond = 100;

struct DecoderDeleter {
  const SoundLibraries* lib;
  void operator()(mpg123_handle* decoder) const {
    lib->mpg123_close(decoder);
    lib->mpg123_delete(decoder);
  }
};
using Decoder = std::unique_ptr<mpg123_handle, DecoderDeleter>;

struct StreamDeleter {
  const SoundLibraries* lib;
  void operator()(pa_simple* stream) const { lib->pa_simple_free(stream); }
};
using Stream = std::unique_ptr<pa_simple, StreamDeleter>;

// Lets the decoder produce only 16-bit samples, at whatever rate and channel count the file
// has, which is what the stream is then opened with.
void AllowOnlySigned16(const SoundLibraries& lib, mpg123_handle* decoder) {
  lib.mpg123_format_none(decoder);
  const long* rates = nullptr;
  std::size_t count = 0;
  lib.mpg123_rates(&rates, &count);
  for (std::size_t i = 0; i < count; ++i) {
    lib.mpg123_format(decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  }
}

// Tells a file from the one that stood at the same path before: a user who fixes the
// alarm sound by replacing the file must hear the new one at the next alarm, even while
// the old one (a long file, say) is still playing.
std::string FileVersion(const std::string& path) {
  GStatBuf info;
  if (g_stat(path.c_str(), &info) != 0) {
    return {};
  }
  return std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino) + ':' +
         std::to_string(info.st_size) + ':' + std::to_string(info.st_mtim.tv_sec) + '.' +
         std::to_string(info.st_mtim.tv_nsec) + ':' + std::to_string(info.st_ctim.tv_sec) + '.' +
         std::to_string(info.st_ctim.tv_nsec);
}

}  // namespace

MciPlayer::MciPlayer(FaultSink on_fault) : on_fault_(on_fault), worker_([this] { Run(); }) {}

MciPlayer::~MciPlayer() {
  Stop(std::chrono::milliseconds::zero());
  worker_.join();
}

bool MciPlayer::Stop(std::chrono::milliseconds grace) {
  std::unique_lock lock(mutex_);
  quit_ = true;
  interrupt_ = true;
  wake_.notify_one();
  return end_.wait_for(lock, grace, [this] { return ended_; });
}

void MciPlayer::Play(const std::string& path) {
  Sound sound{path, FileVersion(path)};
  {
    std::lock_guard lock(mutex_);
    const bool going_on = pending_ ? *pending_ == sound : (playing_ == sound && !interrupt_);
    if (going_on) {
      return;
    }
    pending_ = std::move(sound);
    if (playing_) {
      interrupt_ = true;
    }
  }
  wake_.notify_one();
}

void MciPlayer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
    if (quit_) {
      ended_ = true;
      end_.notify_all();
      return;
    }
    if (!pending_) {
      continue;  // woken for nothing
    }
    const std::string path = pending_->path;
    playing_ = std::exchange(pending_, std::nullopt);
    interrupt_ = false;
    lock.unlock();
    const std::string fault = PlayFile(path);
    lock.lock();
    playing_.reset();
    // Only now: whoever hears of the fault may well play the same file again at once.
    if (!fault.empty()) {
      lock.unlock();
      on_fault_(fault);
      lock.lock();
    }
  }
}

std::string MciPlayer::PlayFile(const std::string& path) {
  const std::string cannot_play = "Cannot play " + DisplayName(path) + ": ";
  std::string missing;
  const SoundLibraries* lib = OpenSoundLibraries(missing);
  if (lib == nullptr) {
    return cannot_play + missing;
  }

  int code = MPG123_OK;
  Decoder decoder(lib->mpg123_new(nullptr, &code), DecoderDeleter{lib});
  if (!decoder) {
    return cannot_play + "the MPEG decoder did not start (" + lib->mpg123_plain_strerror(code) +
           ").";
  }
  lib->mpg123_param(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  AllowOnlySigned16(*lib, decoder.get());
  if (lib->mpg123_open(decoder.get(), path.c_str()) != MPG123_OK) {
    return cannot_play + "the file cannot be opened (" + lib->mpg123_strerror(decoder.get()) + ").";
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (lib->mpg123_getformat(decoder.get(), &rate, &channels, &encoding) != MPG123_OK) {
    return cannot_play + "it is not MPEG audio, or it is damaged.";
  }

  const pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, static_cast<std::uint32_t>(rate),
                                    static_cast<std::uint8_t>(channels)};
  pa_buffer_attr buffering;
  buffering.maxlength = static_cast<std::uint32_t>(-1);
  buffering.tlength =
      static_cast<std::uint32_t>(lib->pa_usec_to_bytes(kTargetLatencyUsec, &sampleFormat));
  buffering.prebuf = static_cast<std::uint32_t>(-1);
  buffering.minreq = static_cast<std::uint32_t>(-1);
  buffering.fragsize = static_cast<std::uint32_t>(-1);
  // A new stream on the default sink each time, so the sound follows the user's choice of
  // output device.
  int error = 0;
  Stream stream(lib->pa_simple_new(nullptr, "Minute Alarm", PA_STREAM_PLAYBACK, nullptr, "alarm",
                                   &sampleFormat, nullptr, &buffering, &error),
                StreamDeleter{lib});
  if (!stream) {
    return cannot_play + "no sound server could be reached (" + lib->pa_strerror(error) + ").";
  }

  std::vector<unsigned char> piece(lib->pa_frame_size(&sampleFormat) * (rate / kPiecesPerSecond));
  bool heard_any = false;
  std::string damage;
  for (;;) {
    if (interrupt_) {
      lib->pa_simple_flush(stream.get(), &error);
      return {};
    }
    std::size_t decoded = 0;
    const int result = lib->mpg123_read(decoder.get(), piece.data(), piece.size(), &decoded);
    if (decoded > 0) {
      heard_any = true;
      if (lib->pa_simple_write(stream.get(), piece.data(), decoded, &error) < 0) {
        return "Playback of " + DisplayName(path) + " failed: the sound server stopped (" +
               lib->pa_strerror(error) + ").";
      }
    }
    if (result == MPG123_DONE) {
      break;
    }
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
      damage = cannot_play + "the file is damaged (" + lib->mpg123_strerror(decoder.get()) + ").";
      break;
    }
  }
  if (!heard_any) {
    return cannot_play + "it holds no sound.";
  }
  lib->pa_simple_drain(stream.get(), &error);
  return damage;
}

}  // namespace minute_alarm::gtk
