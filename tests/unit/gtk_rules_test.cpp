// The Linux backend's window-free parts: lock-key variants and the tick grid.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/gtk/key_codes.h"
#include "platform/gtk/tick_schedule.h"

namespace minute_alarm::gtk {
namespace {

// X protocol modifier bits; <X11/X.h> would define None, which GoogleTest uses as a name.
constexpr unsigned ShiftMask = 1U << 0, LockMask = 1U << 1, ControlMask = 1U << 2,
                   Mod1Mask = 1U << 3, Mod2Mask = 1U << 4, Mod3Mask = 1U << 5, Mod4Mask = 1U << 6,
                   Mod5Mask = 1U << 7;
constexpr unsigned long NoSymbol = 0;

TEST(GtkKeyCodes, LockCombinationsCoverEveryStateOnce) {
  struct Case {
    unsigned caps, num, scroll;
    std::vector<unsigned> expected;  // in any order
  };
  const Case cases[] = {
      {LockMask,
       Mod2Mask,
       Mod5Mask,
       {0, LockMask, Mod2Mask, Mod5Mask, LockMask | Mod2Mask, LockMask | Mod5Mask,
        Mod2Mask | Mod5Mask, LockMask | Mod2Mask | Mod5Mask}},
      // A keyboard without ScrollLock: its mask is 0 and adds no variant.
      {LockMask, Mod2Mask, 0, {0, LockMask, Mod2Mask, LockMask | Mod2Mask}},
      // NumLock and ScrollLock on one modifier: no duplicate grabs.
      {LockMask, Mod3Mask, Mod3Mask, {0, LockMask, Mod3Mask, LockMask | Mod3Mask}},
      {0, 0, 0, {0}},
  };
  for (const Case& c : cases) {
    std::vector<unsigned> got = LockCombinations(c.caps, c.num, c.scroll);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), 0U) << "the plain key is grabbed first";
    std::vector<unsigned> expected = c.expected;
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected) << "masks " << c.caps << "," << c.num << "," << c.scroll;
  }
}

TEST(GtkTickSchedule, NextTickStaysOnTheGridAndSkipsMissedTicks) {
  constexpr std::int64_t kStart = 5'000'000;
  constexpr std::int64_t kPeriod = 1'000'000;
  struct Case {
    std::int64_t now;
    std::int64_t next;
  };
  const Case cases[] = {
      {kStart + kPeriod, kStart + 2 * kPeriod},            // on time
      {kStart + kPeriod + 1'500, kStart + 2 * kPeriod},    // a little late: no drift
      {kStart + 2 * kPeriod - 1, kStart + 2 * kPeriod},    // nearly a period late
      {kStart + 4 * kPeriod + 300, kStart + 5 * kPeriod},  // three missed: one call, then on grid
      {kStart, kStart + kPeriod},
      {kStart - 7, kStart + kPeriod},  // a clock that reads before the start
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextTickTime(kStart, kPeriod, c.now), c.next) << "now " << c.now;
  }
}

}  // namespace
}  // namespace minute_alarm::gtk
