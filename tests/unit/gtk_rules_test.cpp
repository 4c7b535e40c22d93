// The Linux backend's lock-key variants.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gtk/key_codes.h"

namespace minute_alarm::gtk {
namespace {

// X protocol modifier bits; <X11/X.h> would define None, which GoogleTest uses as a name.
constexpr unsigned LockMask = 1U << 1, Mod2Mask = 1U << 4, Mod3Mask = 1U << 5, Mod5Mask = 1U << 7;

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

}  // namespace
}  // namespace minute_alarm::gtk
