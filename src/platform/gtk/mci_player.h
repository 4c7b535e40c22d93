// The worker behind "play": one long-lived thread that decodes an MPEG audio file with
// libmpg123 and writes it to a PulseAudio stream in small pieces, so the sound starts within
// a few milliseconds and a newer request interrupts it at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace minute_alarm::gtk {

class MciPlayer {
 public:
  // Receives each fault in words; called on the worker thread.
  using FaultSink = void (*)(const std::string& message);

  explicit MciPlayer(FaultSink on_fault);
  ~MciPlayer();  // stops the sound and joins the worker
  MciPlayer(const MciPlayer&) = delete;
  MciPlayer& operator=(const MciPlayer&) = delete;

  // Plays the file at path, unless that very file is playing or about to: then it goes on.
  // Another file's sound is stopped first. Never blocks on the sound.
  void Play(const std::string& path);

 private:
  void Run();
  // Returns the fault that ended the sound, or an empty text.
  std::string PlayFile(const std::string& path);

  FaultSink on_fault_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::string> pending_;  // guarded by mutex_
  std::string playing_;                 // guarded by mutex_; empty when silent
  bool quit_ = false;                   // guarded by mutex_
  std::atomic<bool> interrupt_{false};  // read by the worker between pieces of sound
  std::thread worker_;
};

}  // namespace minute_alarm::gtk
