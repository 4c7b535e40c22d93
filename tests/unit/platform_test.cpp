// The helpers every backend shares: text conversion and the timer's schedule.
#include <gtest/gtest.h>

#include <string>

#include "platform/tick_schedule.h"
#include "platform/utf_text.h"

namespace minute_alarm {
namespace {

using namespace std::string_literals;

TEST(UtfText, ConvertsEveryCodePointRangeBothWays) {
  const struct {
    std::u16string utf16;
    std::string utf8;
  } cases[] = {{u"play a\0b"s, "play a\0b"s},
               {u"\u007F\u0080\u07FF\u0800", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},
               {u"\uD7FF\uE000\uFFFF", "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"},
               {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
               {u"這個熱鍵", "\xE9\x80\x99\xE5\x80\x8B\xE7\x86\xB1\xE9\x8D\xB5"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8FromUtf16(c.utf16), c.utf8);
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
  }
}

TEST(UtfText, ReplacesWhatItCannotCarry) {
  EXPECT_EQ(Utf8FromUtf16(u"x\xD800y\xDC00\xDBFF"s), "x?y??");
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"\x80\xBF", u"\uFFFD\uFFFD"},                      // continuations alone
      {"\xC1\xBF\xC2", u"\uFFFD\uFFFD\uFFFD"},            // overlong lead; cut short
      {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three bytes
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // a surrogate spelt in UTF-8
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong four bytes
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xF8\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // no such lead
      {"\xE2\x82x", u"\uFFFD\uFFFDx"},                    // a continuation missing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
  }
}

TEST(TickSchedule, KeepsTicksOnTheStartGrid) {
  const struct {
    std::int64_t elapsed, delivered;
    TickStep expected;
  } cases[] = {
      {1'003'000, 0, {true, 1, 997}},    // a little late: the next tick is not pushed back
      {984'000, 0, {true, 1, 1016}},     // early within the rounding of SetTimer
      {983'999, 0, {false, 0, 17}},      // too early: wait for the rest
      {2'000'000, 1, {true, 2, 1000}},   // on time
      {3'500'000, 1, {true, 3, 500}},    // ticks missed: one delivery, back on the grid
      {2'000'400, 2, {false, 2, 1000}},  // a second call for a tick already delivered
  };
  for (const auto& c : cases) {
    const TickStep step = NextTickStep(c.elapsed, 1'000'000, c.delivered);
    EXPECT_EQ(step.deliver, c.expected.deliver) << c.elapsed;
    EXPECT_EQ(step.ticksDelivered, c.expected.ticksDelivered) << c.elapsed;
    EXPECT_EQ(step.waitMilliseconds, c.expected.waitMilliseconds) << c.elapsed;
  }
}

}  // namespace
}  // namespace minute_alarm
