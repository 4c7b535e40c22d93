// The Linux backend's window-free parts: key translation, tick grid, text.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/gtk/key_codes.h"
#include "platform/gtk/tick_schedule.h"
#include "platform/gtk/utf_text.h"

namespace minute_alarm::gtk {
namespace {

// X protocol modifier bits; <X11/X.h> would define None, which GoogleTest uses as a name.
constexpr unsigned ShiftMask = 1U << 0, LockMask = 1U << 1, ControlMask = 1U << 2,
                   Mod1Mask = 1U << 3, Mod2Mask = 1U << 4, Mod3Mask = 1U << 5, Mod4Mask = 1U << 6,
                   Mod5Mask = 1U << 7;
constexpr unsigned long NoSymbol = 0;

TEST(GtkKeyCodes, FunctionKeysMapToTheirKeysyms) {
  struct Case {
    std::uint32_t keyCode;
    unsigned long keysym;
  };
  const Case cases[] = {
      {0x70, XK_F1},    {0x78, XK_F9},    {0x79, XK_F10},   {0x7A, XK_F11}, {0x87, XK_F24},
      {0x6F, NoSymbol}, {0x88, NoSymbol}, {0x41, NoSymbol}, {0, NoSymbol},  {0x7A0000, NoSymbol},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeysymFromVirtualKey(c.keyCode), c.keysym) << "virtual key " << c.keyCode;
  }
}

TEST(GtkKeyCodes, WindowsModifiersBecomeXMasks) {
  struct Case {
    std::uint32_t modifiers;
    std::optional<unsigned> mask;
  };
  const Case cases[] = {
      {0, 0U},
      {1, Mod1Mask},
      {2, ControlMask},
      {4, ShiftMask},
      {8, Mod4Mask},
      {1 | 2 | 4 | 8, Mod1Mask | ControlMask | ShiftMask | Mod4Mask},
      {0x10, std::nullopt},
      {0x4000 | 2, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModifierMaskFromWindows(c.modifiers), c.mask) << "modifiers " << c.modifiers;
  }
}

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

TEST(GtkUtfText, AnsiConversionKeepsNulsAndReplacesWhatItCannotCarry) {
  using namespace std::string_literals;
  struct Case {
    std::u16string utf16;
    std::string utf8;
  };
  const Case cases[] = {
      {u"play file:///tmp/test.mp3", "play file:///tmp/test.mp3"},
      {u"a\0b"s, "a\0b"s},
      {u"\0"s, "\0"s},
      {u"這個熱鍵", "\xE9\x80\x99\xE5\x80\x8B\xE7\x86\xB1\xE9\x8D\xB5"},
      {u"\u00E9\U0001F514", "\xC3\xA9\xF0\x9F\x94\x94"},
      {u"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8FromUtf16(c.utf16), c.utf8);
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
  }
  // Unpaired surrogates and malformed bytes.
  EXPECT_EQ(Utf8FromUtf16(u"x\xD800y\xDC00"s), "x?y?");
  EXPECT_EQ(Utf16FromUtf8("a\xFF"
                          "b\xC3"s),
            u"a\uFFFDb\uFFFD");
  EXPECT_EQ(Utf16FromUtf8("\xC0\x80"s), u"\uFFFD\uFFFD") << "an overlong NUL is no NUL";
}

TEST(GtkUtfText, WindowTextsRefuseMalformedText) {
  using namespace std::string_literals;
  EXPECT_EQ(StrictUtf8(u"20"), std::optional<std::string>("20"));
  EXPECT_EQ(StrictUtf8(u"Stop Timer \u00B7 \U0001F514"),
            std::optional<std::string>("Stop Timer \xC2\xB7 \xF0\x9F\x94\x94"));
  EXPECT_EQ(StrictUtf8(u"\xD800"s), std::nullopt);
  EXPECT_EQ(StrictUtf16("3\xC2\xBD"), std::optional<std::u16string>(u"3\u00BD"));
  EXPECT_EQ(StrictUtf16("\xFF"), std::nullopt);
  EXPECT_EQ(StrictUtf16(""), std::optional<std::u16string>(u""));
}

}  // namespace
}  // namespace minute_alarm::gtk
