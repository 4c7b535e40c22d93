// The rules with no platform behind them: numbers in text, text conversion and the timer's
// schedule.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "cycle/number_text.h"
#include "platform/tick_schedule.h"
#include "platform/utf_text.h"

namespace minute_alarm {
namespace {

using namespace std::string_literals;

constexpr double kMax = std::numeric_limits<double>::max();

void ExpectRead(const std::string& text, double value) {
  EXPECT_EQ(NumberFromText(Utf16FromUtf8(text)), value) << "text: '" << text << "'";
}

TEST(NumberFromText, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"20", 20},         {" 2 0 ", 20},   {"\t1\n5", 15},    {"\r20", 0},
               {"20 seconds", 20}, {"abc", 0},      {"", 0},           {"09", 9},
               {"90", 90},         {"/5", 0},       {":5", 0},         {"\xEF\xBC\x92", 0},
               {"-5", -5},         {"+7", 7},       {"-", 0},          {"+-1", 0},
               {".", 0},           {"+.5", 0.5},    {"-.5", -0.5},     {"inf", 0},
               {"-nan", 0},        {"5.", 5},       {"0.05", 0.05},    {"59.5", 59.5},
               {"1,5", 1},         {"1.2.3", 1.2},  {"00020", 20},     {"2e1", 20},
               {"2E+1", 20},       {"25e-1", 2.5},  {"2e", 2},         {"2e+", 2},
               {"2e-x", 2},        {"e5", 0},       {".e1", 0},        {"5e3.5", 5000},
               {"1e308", 1e308},   {"1e309", kMax}, {"-1e309", -kMax}, {"1e-400", 0},
               {"1e-320", 1e-320}, {"&H10", 16},    {"&O10", 8},       {"&H09", 9},
               {"&Ha", 10},        {"&Hf", 15},     {"&HA", 10},       {"&HF", 15},
               {"&hAf", 175},      {"&H1G", 1},     {"&H1@", 1},       {"&H1g", 1},
               {"&O17", 15},       {"&o78", 7},     {"&O8", 0},        {"& H 1 0", 16},
               {"&H", 0},          {"&", 0},        {"&X12", 0},       {"-&H1", 0},
               {"&H-1", 0}};
  for (const auto& c : cases) {
    ExpectRead(c.text, c.value);
  }
  // Out of a double's range: too large saturates, too small is 0.
  const std::string zeros(400, '0');
  for (const char* exponent : {"e99999999999999999999", "E+1000"}) {
    ExpectRead("1" + zeros + exponent, kMax);
    ExpectRead("0." + zeros + "1" + exponent, kMax);
  }
  ExpectRead("1" + zeros, kMax);
  ExpectRead("1" + zeros + "e-50", kMax);
  ExpectRead("0." + zeros + "1", 0);
  ExpectRead("-1" + zeros + "e-99999999999999999999", 0);
  ExpectRead("0e99999999999999999999", 0);
  ExpectRead("&H" + std::string(300, 'F'), kMax);
}

TEST(TextFromNumber, PrintsWholeNumbersAsDigitsAndTheRestInGeneralForm) {
  const auto expectPrinted = [](double value, const char* text) {
    EXPECT_EQ(Utf8FromUtf16(TextFromNumber(value)), text) << "value: " << value;
  };
  const struct {
    double value;
    const char* text;
  } cases[] = {{19, "19"},     {-4, "-4"},         {0, "0"},           {-0.0, "0"},
               {60, "60"},     {1e15, "1E+15"},    {-1e15, "-1E+15"},  {1.5, "1.5"},
               {-0.5, "-0.5"}, {0.0001, "0.0001"}, {0.00001, "1E-05"}, {1e100, "1E+100"}};
  for (const auto& c : cases) {
    expectPrinted(c.value, c.text);
  }
  expectPrinted(999999999999999, "999999999999999");
  expectPrinted(-999999999999999, "-999999999999999");
  expectPrinted(1.0 / 3, "0.333333333333333");
  expectPrinted(1.23456789012345678e17, "1.23456789012346E+17");
  expectPrinted(kMax, "1.79769313486232E+308");
}

TEST(UtfText, ConvertsEveryCodePointRangeBothWaysAndReplacesWhatItCannotCarry) {
  const std::u16string utf16 =
      u"a\0\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF熱\U00010000\U0010FFFF"s;
  const std::string utf8 =
      "a\0\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xE7\x86\xB1"
      "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"s;
  EXPECT_EQ(Utf8FromUtf16(utf16), utf8);
  EXPECT_EQ(Utf16FromUtf8(utf8), utf16);
  EXPECT_EQ(Utf8FromUtf16(u"x\xD800y\xDC00\xDBFF"s), "x?y??");
  // Each malformed byte is one U+FFFD: continuations alone, overlong forms of two, three and
  // four bytes, a surrogate, past U+10FFFF, no such lead, a sequence cut short.
  EXPECT_EQ(
      Utf16FromUtf8("\x80\xBF|\xC1\xBF|\xE0\x9F\xBF|\xF0\x8F\xBF\xBF|\xED\xA0\x80|"
                    "\xF4\x90\x80\x80|\xF8\x90\x80\x80|\xE2\x82|\xC2"),
      u"\uFFFD\uFFFD|\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|"
      u"\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD|\uFFFD");
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
