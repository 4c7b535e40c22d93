// Real playback through the PulseAudio server named by PULSE_SERVER (with-pulse.sh starts
// one whose default sink is "null"). What the sink plays is recorded from its monitor in
// 5 ms pieces stamped with the monotonic clock, and the chime is found in that recording.
#include <glib.h>
#include <gtest/gtest.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/mci.h"

namespace minute_alarm::gtk {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kRate = 44100;
constexpr std::size_t kPieceFrames = kRate / 200;
// Louder than this (of 32767) counts as sound: the chime peaks near 23000 and stays above
// this level for about 0.83 s.
constexpr int kSoundLevel = 300;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class Recorder {
 public:
  Recorder() {
    const pa_sample_spec spec{PA_SAMPLE_S16NE, kRate, 1};
    pa_buffer_attr buffering{};
    buffering.maxlength = static_cast<std::uint32_t>(-1);
    buffering.fragsize = static_cast<std::uint32_t>(kPieceFrames * sizeof(std::int16_t));
    int error = 0;
    stream_ = pa_simple_new(nullptr, "mci test", PA_STREAM_RECORD, "null.monitor", "recording",
                            &spec, nullptr, &buffering, &error);
    if (stream_ == nullptr) {
      ADD_FAILURE() << "cannot record null.monitor: " << pa_strerror(error);
      return;
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~Recorder() {
    quit_ = true;
    if (thread_.joinable()) {
      thread_.join();
    }
    if (stream_ != nullptr) {
      pa_simple_free(stream_);
    }
  }

  // The stretch of sound after `from`: when its first loud sample was captured and when
  // its last one was, or nothing.
  struct Sound {
    bool found = false;
    Clock::time_point start, end;
    int peak = 0;
  };
  Sound SoundAfter(Clock::time_point from) {
    std::lock_guard lock(mutex_);
    Sound sound;
    for (const Piece& piece : pieces_) {
      for (std::size_t i = 0; i < kPieceFrames; ++i) {
        if (std::abs(piece.samples[i]) < kSoundLevel) {
          continue;
        }
        // A piece is stamped when read, just after its last frame was captured.
        const auto when =
            piece.read_at - std::chrono::microseconds((kPieceFrames - i) * 1'000'000 / kRate);
        if (when < from) {
          continue;
        }
        if (!sound.found) {
          sound.start = when;
        }
        sound.found = true;
        sound.end = when;
        sound.peak = std::max(sound.peak, std::abs(static_cast<int>(piece.samples[i])));
      }
    }
    return sound;
  }

 private:
  struct Piece {
    Clock::time_point read_at;
    std::vector<std::int16_t> samples;
  };
  void Run() {
    while (!quit_) {
      Piece piece{{}, std::vector<std::int16_t>(kPieceFrames)};
      int error = 0;
      if (pa_simple_read(stream_, piece.samples.data(), kPieceFrames * sizeof(std::int16_t),
                         &error) < 0) {
        return;
      }
      piece.read_at = Clock::now();
      std::lock_guard lock(mutex_);
      pieces_.push_back(std::move(piece));
    }
  }
  pa_simple* stream_ = nullptr;
  std::atomic<bool> quit_{false};
  std::mutex mutex_;
  std::vector<Piece> pieces_;
  std::thread thread_;
};

std::string UriOf(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string result = uri;
  g_free(uri);
  return result;
}

std::vector<std::string> reports;
void RecordReport(const char* message) { reports.emplace_back(message); }

class PlaybackTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    recorder_ = new Recorder;
    // PulseAudio starts streams late on a sink that has only just woken up.
    std::this_thread::sleep_for(std::chrono::seconds(3));
  }
  static void TearDownTestSuite() {
    delete recorder_;
    recorder_ = nullptr;
  }
  void SetUp() override {
    reports.clear();
    SetMciErrorReporter(RecordReport);
  }
  void TearDown() override {
    ShutDownMci();
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_TRUE(reports.empty()) << reports.front();
  }
  // Plays and returns when the call began; fails when the call itself is slow.
  static Clock::time_point Play(const std::string& element) {
    const std::string command = "play " + element;
    const auto start = Clock::now();
    EXPECT_NE(ExecuteMciCommand(command.c_str()), 0);
    const auto took = Clock::now() - start;
    EXPECT_LT(took, milliseconds(5)) << Seconds(took) * 1000 << " ms";
    std::printf("  call took %.3f ms\n", Seconds(took) * 1000);
    return start;
  }
  static void Wait(milliseconds time) { std::this_thread::sleep_for(time); }
  static Recorder* recorder_;
};
Recorder* PlaybackTest::recorder_ = nullptr;

TEST_F(PlaybackTest, ChimeStartsAtOnceAndLastsItsLength) {
  const auto call = Play(UriOf(MINUTE_ALARM_SOUND));
  Wait(milliseconds(1500));
  const auto sound = recorder_->SoundAfter(call);
  ASSERT_TRUE(sound.found);
  const double onset = Seconds(sound.start - call);
  const double length = Seconds(sound.end - sound.start);
  std::printf("  onset %.1f ms after the call, sound %.3f s, peak %d\n", onset * 1000, length,
              sound.peak);
  EXPECT_LT(onset, 0.100);
  EXPECT_GT(length, 0.6);
  EXPECT_LT(length, 1.0);
}

TEST_F(PlaybackTest, PlayingTheSameFileAgainLetsItGoOn) {
  const auto call = Play(UriOf(MINUTE_ALARM_SOUND));
  Wait(milliseconds(400));
  Play(MINUTE_ALARM_SOUND);  // the same file, named by its path this time
  Wait(milliseconds(1500));
  const auto sound = recorder_->SoundAfter(call);
  ASSERT_TRUE(sound.found);
  const double length = Seconds(sound.end - sound.start);
  std::printf("  sound %.3f s, peak %d\n", length, sound.peak);
  EXPECT_LT(length, 1.0) << "not restarted";
  EXPECT_LT(sound.peak, 27000) << "no second stream on top";
}

TEST_F(PlaybackTest, AnotherFileStopsTheFirstAndPlays) {
  const std::string copy = g_get_tmp_dir() + std::string("/mci playback copy.mp3");
  ASSERT_EQ(std::system(("cp '" MINUTE_ALARM_SOUND "' '" + copy + "'").c_str()), 0);
  const auto call = Play(UriOf(MINUTE_ALARM_SOUND));
  Wait(milliseconds(400));
  const auto second = Play("\"" + copy + "\"");
  Wait(milliseconds(1500));
  const auto sound = recorder_->SoundAfter(call);
  ASSERT_TRUE(sound.found);
  const double end_after_second = Seconds(sound.end - second);
  std::printf("  sound ends %.3f s after the second play\n", end_after_second);
  EXPECT_GT(end_after_second, 0.6) << "the second file played";
  EXPECT_LT(end_after_second, 1.0);
  std::remove(copy.c_str());
}

TEST_F(PlaybackTest, ShutDownStopsTheSound) {
  const auto call = Play(UriOf(MINUTE_ALARM_SOUND));
  Wait(milliseconds(300));
  const auto stop = Clock::now();
  ShutDownMci();
  const double took = Seconds(Clock::now() - stop);
  Wait(milliseconds(1000));
  const auto sound = recorder_->SoundAfter(call);
  ASSERT_TRUE(sound.found);
  const double tail = Seconds(sound.end - stop);
  std::printf("  shut down took %.1f ms, sound went on %.1f ms\n", took * 1000, tail * 1000);
  EXPECT_LT(took, 0.2);
  EXPECT_LT(tail, 0.15);
}

}  // namespace
}  // namespace minute_alarm::gtk
