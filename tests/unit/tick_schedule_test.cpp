#include "platform/tick_schedule.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace minute_alarm {
namespace {

constexpr std::int64_t kSecond = 1'000'000;

TEST(TickScheduleTest, KeepsTicksOnTheStartGrid) {
  struct Case {
    std::int64_t elapsed;
    std::int64_t delivered;
    TickStep expected;
  };
  const Case cases[] = {
      {1'003'000, 0, {true, 1, 997}},    // a little late: the next tick is not pushed back
      {1'015'600, 0, {true, 1, 985}},    // one system tick late
      {995'000, 0, {true, 1, 1005}},     // early within the rounding of SetTimer
      {900'000, 0, {false, 0, 100}},     // too early: wait for the rest
      {2'000'000, 1, {true, 2, 1000}},   // on time
      {3'500'000, 1, {true, 3, 500}},    // ticks missed: one delivery, back on the grid
      {1'983'000, 1, {false, 1, 17}},    // just outside the rounding: not yet
      {2'000'400, 2, {false, 2, 1000}},  // a second callback for a tick already delivered
  };
  for (const Case& c : cases) {
    const TickStep step = NextTickStep(c.elapsed, kSecond, c.delivered);
    EXPECT_EQ(step.deliver, c.expected.deliver) << "at " << c.elapsed;
    EXPECT_EQ(step.ticksDelivered, c.expected.ticksDelivered) << "at " << c.elapsed;
    EXPECT_EQ(step.waitMilliseconds, c.expected.waitMilliseconds) << "at " << c.elapsed;
  }
}

TEST(TickScheduleTest, LateCallbacksDoNotAccumulate) {
  // Every callback comes 30 ms after it was asked for; the grid holds.
  std::int64_t now = 0;
  std::int64_t delivered = 0;
  std::uint32_t wait = 1000;
  for (int tick = 1; tick <= 60; ++tick) {
    now += std::int64_t{wait} * 1000 + 30'000;
    const TickStep step = NextTickStep(now, kSecond, delivered);
    ASSERT_TRUE(step.deliver) << "tick " << tick;
    delivered = step.ticksDelivered;
    wait = step.waitMilliseconds;
  }
  EXPECT_EQ(delivered, 60);
  EXPECT_LT(now, 60 * kSecond + 31'000);
}

}  // namespace
}  // namespace minute_alarm
