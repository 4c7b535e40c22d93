// The Linux timer against GLib's real main loop, on a short period.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gtk/tick_source.h"

namespace minute_alarm::gtk {
namespace {

constexpr std::uint32_t kPeriodMs = 40;
constexpr std::int64_t kPeriodUs = std::int64_t{kPeriodMs} * 1000;

struct Recorder {
  std::vector<std::int64_t> times;  // monotonic microseconds of each call
  std::vector<std::uintptr_t> ids;
  std::int64_t stallMicroseconds = 0;  // once, inside the call given by stallAt
  std::size_t stallAt = 0;
  TickSources* killFrom = nullptr;  // kills its own timer on the third call
};
Recorder* recorder = nullptr;

void Record(WindowHandle window, std::uint32_t message, std::uintptr_t id,
            std::uint32_t /*systemTime*/) {
  EXPECT_EQ(window, 0);
  EXPECT_EQ(message, kWmTimer);
  recorder->times.push_back(g_get_monotonic_time());
  recorder->ids.push_back(id);
  if (recorder->stallMicroseconds > 0 && recorder->times.size() == recorder->stallAt) {
    g_usleep(static_cast<gulong>(recorder->stallMicroseconds));
  }
  if (recorder->killFrom != nullptr && recorder->times.size() == 3) {
    EXPECT_TRUE(recorder->killFrom->Kill(id));
  }
}

void RunFor(std::int64_t microseconds) {
  const std::int64_t end = g_get_monotonic_time() + microseconds;
  while (g_get_monotonic_time() < end) {
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(200);
  }
}

class GtkTickSource : public ::testing::Test {
 protected:
  void SetUp() override { recorder = &record_; }
  void TearDown() override { recorder = nullptr; }
  Recorder record_;
};

TEST_F(GtkTickSource, MissedTicksCoalesceIntoOne) {
  TickSources ticks;
  record_.stallAt = 1;
  record_.stallMicroseconds = 3 * kPeriodUs + 20'000;  // misses three periods
  const std::int64_t start = g_get_monotonic_time();
  ASSERT_NE(ticks.Start(kPeriodMs, &Record), 0U);
  RunFor(7 * kPeriodUs + 20'000);
  // Ticks due at 1 (stalls to ~4.5), then one call for 2..4, then 5, 6, 7.
  ASSERT_EQ(record_.times.size(), 5U);
  const std::int64_t fifth = start + 5 * kPeriodUs;
  EXPECT_GE(record_.times[2], fifth) << "back on the grid after the catch-up";
  EXPECT_LT(record_.times[2], fifth + 20'000) << "not a period after the catch-up";
}

TEST_F(GtkTickSource, KillStopsOnlyLiveTimers) {
  TickSources ticks;
  const std::uintptr_t first = ticks.Start(kPeriodMs, &Record);
  const std::uintptr_t second = ticks.Start(kPeriodMs, &Record);
  EXPECT_NE(first, 0U);
  EXPECT_NE(second, 0U);
  EXPECT_NE(first, second);
  EXPECT_TRUE(ticks.Kill(first));
  EXPECT_FALSE(ticks.Kill(first));
  EXPECT_FALSE(ticks.Kill(0));
  EXPECT_FALSE(ticks.Kill(second + 100));
  RunFor(3 * kPeriodUs + 20'000);
  EXPECT_EQ(record_.ids, (std::vector<std::uintptr_t>{second, second, second}));
  EXPECT_TRUE(ticks.Kill(second));
  EXPECT_EQ(ticks.Start(0, &Record), 0U);
  EXPECT_EQ(ticks.Start(kPeriodMs, nullptr), 0U);
}

TEST_F(GtkTickSource, ATimerCanKillItselfFromItsOwnCall) {
  TickSources ticks;
  record_.killFrom = &ticks;
  ASSERT_NE(ticks.Start(kPeriodMs, &Record), 0U);
  RunFor(6 * kPeriodUs);
  EXPECT_EQ(record_.times.size(), 3U);
}

}  // namespace
}  // namespace minute_alarm::gtk
