// The worker behind "play": one long-lived thread that decodes an MPEG audio file with
// libmpg123 and writes it to a PulseAudio stream in small pieces, so the sound starts within
// a few milliseconds and a newer request interrupts it at once. Its connection to the sound
// server lasts from one play to the next; each play gets a new stream on the default sink.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct pa_mainloop;

namespace minute_alarm::gtk {

// How long after a failed play its fault is passed on, by the worker or by the call: the tick
// that asked for the sound is long over by then, and the next one is far off.
inline constexpr std::chrono::milliseconds kFaultDelay{250};

class MciPlayer {
 public:
  // Receives each fault in words; called on the worker thread.
  using FaultSink = void (*)(const std::string& message);

  explicit MciPlayer(FaultSink on_fault);
  ~MciPlayer();  // stops the sound and joins the worker, however long that takes
  MciPlayer(const MciPlayer&) = delete;
  MciPlayer& operator=(const MciPlayer&) = delete;

  // Stops the sound and waits at most `grace` for the worker to end. False when it has not:
  // a frozen sound server holds it in a write, and the player must then outlive the call.
  bool Stop(std::chrono::milliseconds grace);

  // Plays the file at path, unless that very file is playing or about to: then it goes on.
  // Another file's sound, or the same path's sound after the file was replaced or rewritten,
  // is stopped first. Never blocks on the sound.
  void Play(const std::string& path);

 private:
  struct Sound {
    std::string path;
    std::string version;  // the file's identity and change times when it was asked for
    bool operator==(const Sound&) const = default;
  };

  struct Server;  // the worker's connection to the sound server

  void Run();
  // Returns the fault that ended the sound, or an empty text.
  std::string PlayFile(const std::string& path);
  void WakeWorker();  // call with mutex_ held

  FaultSink on_fault_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Sound> pending_;  // guarded by mutex_
  std::optional<Sound> playing_;  // guarded by mutex_; empty when silent
  bool quit_ = false;             // guarded by mutex_
  bool ended_ = false;            // guarded by mutex_; the worker has returned
  std::condition_variable end_;
  std::atomic<bool> interrupt_{false};  // read by the worker between pieces of sound
  std::unique_ptr<Server> server_;      // the worker's
  pa_mainloop* server_loop_ = nullptr;  // guarded by mutex_; its loop, woken from elsewhere
  std::thread worker_;
};

}  // namespace minute_alarm::gtk
