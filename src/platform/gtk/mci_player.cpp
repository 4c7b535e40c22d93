#include "platform/gtk/mci_player.h"

#include <glib/gstdio.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
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

// mpg123's own reader asks the system for each byte while it hunts for a frame: thousands of
// calls, at the tick, for a file that is not MPEG audio. Through stdio's buffer they are few.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

mpg123_ssize_t ReadFile(void* file, void* buffer, std::size_t size) {
  auto* const stream = static_cast<std::FILE*>(file);
  const std::size_t read = std::fread(buffer, 1, size, stream);
  return read == 0 && std::ferror(stream) != 0 ? -1 : static_cast<mpg123_ssize_t>(read);
}

off_t SeekFile(void* file, off_t offset, int whence) {
  auto* const stream = static_cast<std::FILE*>(file);
  return fseeko(stream, offset, whence) == 0 ? ftello(stream) : -1;
}

struct StreamDeleter {
  const SoundLibraries* lib;
  void operator()(pa_stream* stream) const {
    lib->pa_stream_disconnect(stream);  // what is still queued is dropped, not played
    lib->pa_stream_unref(stream);
  }
};
using Stream = std::unique_ptr<pa_stream, StreamDeleter>;

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

// Kept from one play to the next: a connection of its own for each play (pa_simple) took some
// 2.5 ms before the first sound could be written. Used on the worker thread only.
struct MciPlayer::Server {
  const SoundLibraries& lib;
  pa_mainloop* loop;
  pa_context* context = nullptr;

  explicit Server(const SoundLibraries& libraries) : lib(libraries), loop(lib.pa_mainloop_new()) {}
  ~Server() {
    Drop();
    lib.pa_mainloop_free(loop);
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  void Drop() {
    if (context != nullptr) {
      lib.pa_context_disconnect(context);
      lib.pa_context_unref(context);
      context = nullptr;
    }
  }

  // Waits for the server, or for WakeWorker; false when the loop has failed.
  bool Wait() const { return lib.pa_mainloop_iterate(loop, 1, nullptr) >= 0; }

  // The connection, a new one when there is none or the server has closed it; nullptr, with
  // the error, when the server cannot be reached or `stop` is raised meanwhile.
  pa_context* Connect(const std::atomic<bool>& stop, int& error) {
    lib.pa_mainloop_iterate(loop, 0, nullptr);  // hears of a connection closed meanwhile
    if (context != nullptr && lib.pa_context_get_state(context) == PA_CONTEXT_READY) {
      return context;
    }
    Drop();
    context = lib.pa_context_new(lib.pa_mainloop_get_api(loop), "Minute Alarm");
    if (context == nullptr) {
      error = PA_ERR_INTERNAL;
      return nullptr;
    }
    if (lib.pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
      for (;;) {
        const pa_context_state_t state = lib.pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
          return context;
        }
        if (!PA_CONTEXT_IS_GOOD(state) || stop || !Wait()) {
          break;
        }
      }
    }
    error = lib.pa_context_errno(context);
    Drop();
    return nullptr;
  }

  // A new playback stream on the default sink of the moment, so the sound follows the user's
  // choice of output device. A connection that the server dropped since the last play (a
  // restarted server) is made anew, once.
  Stream Open(const pa_sample_spec& format, const pa_buffer_attr& buffering,
              const std::atomic<bool>& stop, int& error) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      pa_context* connection = Connect(stop, error);
      if (connection == nullptr) {
        return Stream(nullptr, StreamDeleter{&lib});
      }
      Stream stream(lib.pa_stream_new(connection, "alarm", &format, nullptr), StreamDeleter{&lib});
      if (stream && lib.pa_stream_connect_playback(stream.get(), nullptr, &buffering,
                                                   PA_STREAM_NOFLAGS, nullptr, nullptr) >= 0) {
        while (lib.pa_stream_get_state(stream.get()) == PA_STREAM_CREATING && !stop && Wait()) {
        }
        if (lib.pa_stream_get_state(stream.get()) == PA_STREAM_READY) {
          return stream;
        }
      }
      error = lib.pa_context_errno(connection);
      if (stop || lib.pa_context_get_state(connection) == PA_CONTEXT_READY) {
        break;  // the server is there and refused the stream: no second try will do
      }
      Drop();
    }
    return Stream(nullptr, StreamDeleter{&lib});
  }

  // The stream's room for more sound in bytes; 0 after waiting when there is none yet, and
  // nullopt when the stream or the server has gone.
  std::optional<std::size_t> Room(pa_stream* stream) const {
    if (lib.pa_stream_get_state(stream) != PA_STREAM_READY) {
      return std::nullopt;
    }
    const std::size_t room = lib.pa_stream_writable_size(stream);
    if (room == static_cast<std::size_t>(-1)) {
      return std::nullopt;
    }
    return room;
  }

  // Lets the server play out what it holds; returns early when `stop` is raised.
  void Drain(pa_stream* stream, const std::atomic<bool>& stop) const {
    pa_operation* drain = lib.pa_stream_drain(stream, nullptr, nullptr);
    if (drain == nullptr) {
      return;
    }
    while (lib.pa_operation_get_state(drain) == PA_OPERATION_RUNNING &&
           lib.pa_stream_get_state(stream) == PA_STREAM_READY && !stop && Wait()) {
    }
    lib.pa_operation_unref(drain);
  }
};

MciPlayer::MciPlayer(FaultSink on_fault) : on_fault_(on_fault), worker_([this] { Run(); }) {}

MciPlayer::~MciPlayer() {
  Stop(std::chrono::milliseconds::zero());
  worker_.join();
}

bool MciPlayer::Stop(std::chrono::milliseconds grace) {
  std::unique_lock lock(mutex_);
  quit_ = true;
  interrupt_ = true;
  WakeWorker();
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
    WakeWorker();
  }
}

void MciPlayer::WakeWorker() {
  wake_.notify_one();
  if (server_loop_ != nullptr) {
    server_->lib.pa_mainloop_wakeup(server_loop_);
  }
}

void MciPlayer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
    if (quit_) {
      server_loop_ = nullptr;
      lock.unlock();
      server_.reset();
      lock.lock();
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
      // Passing it on takes the main loop's lock, which this thread, preempted while holding
      // it, would keep from the main thread just as the tick is handled.
      wake_.wait_for(lock, kFaultDelay, [this] { return quit_ || pending_.has_value(); });
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

  const File file(std::fopen(path.c_str(), "rbe"));  // outlives the decoder that reads it
  if (!file) {
    return cannot_play + "the file cannot be opened (" + std::strerror(errno) + ").";
  }
  int code = MPG123_OK;
  Decoder decoder(lib->mpg123_new(nullptr, &code), DecoderDeleter{lib});
  if (!decoder) {
    return cannot_play + "the MPEG decoder did not start (" + lib->mpg123_plain_strerror(code) +
           ").";
  }
  lib->mpg123_param(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  AllowOnlySigned16(*lib, decoder.get());
  if (lib->mpg123_replace_reader_handle(decoder.get(), ReadFile, SeekFile, nullptr) != MPG123_OK ||
      lib->mpg123_open_handle(decoder.get(), file.get()) != MPG123_OK) {
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
  if (!server_) {
    server_ = std::make_unique<Server>(*lib);
    const std::lock_guard lock(mutex_);
    server_loop_ = server_->loop;
  }
  int error = 0;
  const Stream stream = server_->Open(sampleFormat, buffering, interrupt_, error);
  if (!stream) {
    return interrupt_ ? std::string()
                      : cannot_play + "no sound server could be reached (" +
                            lib->pa_strerror(error) + ").";
  }

  const std::size_t frame = lib->pa_frame_size(&sampleFormat);
  std::vector<unsigned char> piece(frame * (rate / kPiecesPerSecond));
  bool heard_any = false;
  std::string damage;
  while (!interrupt_) {
    const std::optional<std::size_t> room = server_->Room(stream.get());
    if (!room) {
      return "Playback of " + DisplayName(path) + " failed: the sound server stopped (" +
             lib->pa_strerror(lib->pa_context_errno(server_->context)) + ").";
    }
    // A piece at most, and never more than the server has room for, whatever it granted.
    const std::size_t wanted = std::min(*room, piece.size()) / frame * frame;
    if (wanted == 0) {
      if (!server_->Wait()) {
        return {};
      }
      continue;
    }
    std::size_t decoded = 0;
    const int result = lib->mpg123_read(decoder.get(), piece.data(), wanted, &decoded);
    if (decoded > 0) {
      heard_any = true;
      if (lib->pa_stream_write(stream.get(), piece.data(), decoded, nullptr, 0, PA_SEEK_RELATIVE) <
          0) {
        return "Playback of " + DisplayName(path) + " failed: the sound server stopped (" +
               lib->pa_strerror(lib->pa_context_errno(server_->context)) + ").";
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
  if (interrupt_) {
    return {};
  }
  if (!heard_any) {
    return cannot_play + "it holds no sound.";
  }
  server_->Drain(stream.get(), interrupt_);
  return damage;
}

}  // namespace minute_alarm::gtk
