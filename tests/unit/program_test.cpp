// The program's rules: those with no platform behind them (numbers in text, text conversion,
// the timer's schedule), then the rest against the scripted platform: the cycle, the target
// second, the window's failures, the hot keys and the alarm sound.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "cycle/alarm_cycle.h"
#include "cycle/number_text.h"
#include "cycle/target_second.h"
#include "fake_platform.h"
#include "hotkeys/hotkeys.h"
#include "platform/tick_schedule.h"
#include "platform/utf_text.h"
#include "sound/alarm_sound.h"

namespace minute_alarm {
namespace {

using namespace std::string_literals;
using testing::Fake;
using testing::Texts;
using testing::U8;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr std::int64_t kYear = 31'536'000'000'000;  // in microseconds

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
  for (const char* exponent :
       {"e99999999999999999999", "E+1000", "e9223372036854775807", "E+9223372036854775808"}) {
    ExpectRead("1" + zeros + exponent, kMax);
    ExpectRead("-0." + zeros + "1" + exponent, -kMax);
  }
  ExpectRead("1" + zeros, kMax);
  ExpectRead("1" + zeros + "e-50", kMax);
  ExpectRead("0." + zeros + "1", 0);
  ExpectRead("-1" + zeros + "e-99999999999999999999", 0);
  ExpectRead("0e99999999999999999999", 0);
  ExpectRead("0." + zeros + "1e-9223372036854775808", 0);
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

// Counters at Windows 10's frequency, many Windows 7 machines' and a processor's, from a second
// to a year in; 10.7 days' counts times a million would be past 2^63.
TEST(TickSchedule, CountsAreMicrosecondsExactlyForAYear) {
  const std::int64_t frequencies[] = {10'000'000, 14'318'180, 3'000'000'000};
  const struct {
    std::int64_t counts[3], microseconds;
  } cases[] = {{{9'999'999, 14'318'179, 2'999'999'999}, 999'999},
               {{9'250'000'000'000, 13'244'316'500'000, 2'775'000'000'000'000}, 925'000'000'000},
               {{315'359'999'999'999, 451'538'124'479'999, 94'607'999'999'999'999}, kYear - 1},
               {{315'360'000'000'000, 451'538'124'480'000, 94'608'000'000'000'000}, kYear}};
  for (const auto& c : cases) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(MicrosecondsFromCounts(c.counts[i], frequencies[i]), c.microseconds) << i;
    }
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
      {kYear - 17'000, kYear / 1'000'000 - 1, {false, kYear / 1'000'000 - 1, 17}},  // a year in
      {kYear, kYear / 1'000'000 - 1, {true, kYear / 1'000'000, 1000}},
  };
  for (const auto& c : cases) {
    const TickStep step = NextTickStep(c.elapsed, 1'000'000, c.delivered);
    EXPECT_EQ(step.deliver, c.expected.deliver) << c.elapsed;
    EXPECT_EQ(step.ticksDelivered, c.expected.ticksDelivered) << c.elapsed;
    EXPECT_EQ(step.waitMilliseconds, c.expected.waitMilliseconds) << c.elapsed;
  }
}

constexpr std::uint32_t kF9 = 0x78, kF10 = 0x79, kF11 = 0x7A;

// The title after each of `seconds` ticks, with a '*' where the alarm was asked for.
Texts Ticks(Fake& fake, int seconds) {
  Texts titles;
  for (int s = 0; s < seconds; ++s) {
    const std::size_t plays = fake.Calls("mciExecute").size();
    fake.Advance(1000);
    titles.push_back(U8(fake.title) + (fake.Calls("mciExecute").size() > plays ? "*" : ""));
  }
  return titles;
}

TEST(AlarmCycle, SoundsOnlyAtTheChosenSecondEveryMinute) {
  const struct {
    const char* chosen;
    int alarmTitle;  // 0: never
  } cases[] = {{"20", 20},  {"1", 1},    {"59", 59},  {"0", 60},         {"", 60},
               {"abc", 60}, {"-0", 60},  {"60", 0},   {"61", 0},         {"-1", 0},
               {"0.5", 0},  {"59.5", 0}, {"2e1", 20}, {"20 seconds", 20}};
  for (const auto& c : cases) {
    Fake fake;
    fake.playTime = Utf16FromUtf8(c.chosen);
    ToggleTimer();
    Texts expected;
    for (int i = 0; i < 120; ++i) {
      expected.push_back(std::to_string(i % 60 + 1) + (i % 60 + 1 == c.alarmTitle ? "*" : ""));
    }
    EXPECT_EQ(Ticks(fake, 120), expected) << "chosen: '" << c.chosen << "'";
  }
}

// Through its key: on, off and on again; then a start that gets no timer closes the window,
// leaves the switch and its label as they were, and passes the key on to no dead window.
TEST(AlarmCycle, SwitchesOnAndOffReadingTheChoiceAfreshEachTickAndEndsWithoutATimer) {
  Fake fake;
  StartUp();
  fake.Advance(5000);
  fake.Press(1, kF11);
  EXPECT_EQ(fake.Calls("SetTimer"), Texts{"SetTimer(0,0,1000)"});
  EXPECT_EQ(fake.label1, u"Stop Timer");
  fake.Advance(999);
  EXPECT_EQ(fake.title, u"hot key F11");
  EXPECT_EQ(Ticks(fake, 2), (Texts{"1", "2"}));
  fake.playTime = u"3";
  EXPECT_EQ(Ticks(fake, 2), (Texts{"3*", "4"}));
  fake.Press(1, kF11);
  EXPECT_EQ(fake.Calls("KillTimer"), Texts{"KillTimer(0,501)"});
  EXPECT_EQ(fake.label1, u"Start Timer");
  EXPECT_EQ(Ticks(fake, 2), (Texts{"4", "4"}));  // the title keeps the last second
  fake.Press(1, kF11);
  EXPECT_EQ(Ticks(fake, 2), (Texts{"1", "2"}));
  EXPECT_EQ(Module1::timerRunning, -1);
  fake.Press(1, kF11);
  fake.setTimerFails = true;
  fake.log.clear();
  fake.Press(1, kF11);
  EXPECT_EQ(fake.Calls("Box"), Texts{"Box(Timer not created. Ending Program|Minute Alarm)"});
  EXPECT_EQ(fake.Calls("Own"), Texts{"Own(16)"});
  EXPECT_FALSE(fake.alive);
  EXPECT_EQ(fake.label1, u"Start Timer");
  EXPECT_EQ(Module1::timerRunning, 0);
}

TEST(TargetSecond, LowerAndRaise) {
  const struct {
    const char* before;
    void (*command)();
    const char* after;
  } cases[] = {
      {"20", LowerTarget, "19"},     {"20", RaiseTarget, "21"},   {"0", LowerTarget, "1"},
      {"1", LowerTarget, "0"},       {"", LowerTarget, "1"},      {"abc", RaiseTarget, "1"},
      {"-3", LowerTarget, "4"},      {"-3", RaiseTarget, "-2"},   {"20 seconds", RaiseTarget, "21"},
      {"59", RaiseTarget, "60"},     {"1.5", RaiseTarget, "2.5"}, {"0.5", LowerTarget, "0.5"},
      {"1E15", RaiseTarget, "1E+15"}};
  for (const auto& c : cases) {
    Fake fake;
    fake.playTime = Utf16FromUtf8(c.before);
    c.command();
    EXPECT_EQ(U8(fake.playTime), c.after) << "from '" << c.before << "'";
  }
}

TEST(Form1, AWindowThatRefusesAnOperationIsReportedAndEndsTheProgram) {
  const struct {
    void (*operation)();
    std::string what;
  } cases[] = {{[] { Form1::hWnd(); }, "find its window"},
               {[] { Form1::SetTitle(u"1"); }, "set its window title"},
               {[] { Form1::SetLabel1Caption(u"Stop Timer"); }, "set its label"},
               {[] { Form1::PlayTimeText(); }, "read its text box"},
               {[] { Form1::SetPlayTimeText(u"1"); }, "write its text box"}};
  for (const auto& c : cases) {
    Fake fake;
    StartUp();
    fake.Press(1, kF11);
    fake.alive = false;
    fake.log.clear();
    fake.whileBoxOpen = [&] {  // reported once: what arrives meanwhile does nothing
      fake.Advance(3000);
      fake.Press(2, kF9);
    };
    EXPECT_THROW(c.operation(), testing::Exited);
    EXPECT_EQ(fake.log,
              (Texts{"Box(Minute Alarm could not " + c.what + " and has to end.|Minute Alarm)",
                     "ExitProgram(1)"}));
    EXPECT_EQ(Module1::secondCount, 0);
  }
}

// Set-up and release, in order, with a key taken by another program, none (0), or all of
// them refused together once set up (4), as a desktop portal may.
TEST(HotKeys, HookAndKeysForTheWindowsLifeAndATakenKeyReportedAndReleased) {
  const Texts registers = {"RegisterHotKey(4660,1,0,122)", "RegisterHotKey(4660,2,0,120)",
                           "RegisterHotKey(4660,3,0,121)"};
  for (int taken = 0; taken <= 4; ++taken) {
    Fake fake;
    const std::intptr_t own = fake.procedure;
    fake.takenIds = {taken};
    StartUp();
    if (taken == 4) {
      HotKeysRefused();
    }
    EXPECT_EQ(Module1::savedWindowProc, own);
    EXPECT_EQ(fake.procedure, taken ? own : reinterpret_cast<std::intptr_t>(&HotKeyWindowProc));
    if (!taken) {
      fake.CloseMainWindow();  // as the user would
    }
    EXPECT_EQ(fake.procedure, own);
    Texts expected = {"GetWindowLongA(4660,-4)", "SetWindowLongA(4660,-4)"};
    expected.insert(expected.end(), registers.begin(),
                    registers.begin() + (taken % 4 != 0 ? taken : 3));
    if (taken) {
      expected.emplace_back("Box(這個熱鍵已被其他程式使用|Minute Alarm)");
    }
    expected.insert(expected.end(), {"CloseMainWindow", "CallWindowProcA(4660,16)", "Own(16)",
                                     "SetWindowLongA(4660,-4)"});
    for (int id = 1; id <= 3; ++id) {  // an entry the set-up never reached still holds id 0
      expected.emplace_back("UnregisterHotKey(4660," +
                            std::to_string(!taken || id <= taken ? id : 0) + ")");  // 4: all
    }
    expected.emplace_back("DestroyWindow");
    EXPECT_EQ(fake.log, expected) << "taken id " << taken;
  }
}

TEST(HotKeys, EachKeyRunsItsCommandAndEveryMessageIsPassedOn) {
  const struct {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::uint32_t lParam;
    const char* playTime;  // from "20"
    const char* label1;
  } cases[] = {{kWmHotKey, 2, kF9 << 16U, "19", "stop"},
               {kWmHotKey, 3, kF10 << 16U, "21", "stop"},
               {kWmHotKey, 1, kF11 << 16U, "20", "Stop Timer"},
               // The right id with another key or modifiers: only another program sends these.
               {kWmHotKey, 2, kF10 << 16U, "20", "stop"},
               {kWmHotKey, 1, (kF11 << 16U) | 2U, "20", "stop"},
               {kWmHotKey, 4, kF9 << 16U, "20", "stop"},
               {kWmHotKey, 2, 0xFF78U << 16U, "20", "stop"},  // the key code is a signed half
               {0x0100, 3, kF10 << 16U, "20", "stop"}};
  for (const auto& c : cases) {
    Fake fake;
    StartUp();
    EXPECT_EQ(fake.Send(c.message, c.wParam, c.lParam), Fake::kOwnResult);
    EXPECT_EQ(fake.Calls("Own"), Texts{"Own(" + std::to_string(c.message) + ")"});
    EXPECT_EQ(U8(fake.playTime), c.playTime) << c.message << "/" << c.wParam;
    EXPECT_EQ(U8(fake.label1), c.label1) << c.message << "/" << c.wParam;
  }
  EXPECT_EQ(U8(HotKeyDescription(2)) + U8(HotKeyDescription(4)), "Lower the alarm second");
}

TEST(HotKeys, KeysAndTicksGoOnWhileABoxIsOpen) {
  Fake fake;
  StartUp();
  fake.Press(1, kF11);
  fake.killTimerFails = true;
  fake.whileBoxOpen = [&] {
    fake.Advance(1000);
    fake.Press(2, kF9);
    fake.Press(1, kF11);  // still on: the stop runs again and fails again
  };
  fake.Press(1, kF11);
  EXPECT_EQ(fake.playTime, u"19");
  EXPECT_EQ(fake.Calls("Box"), Texts(2, "Box(couldn't kill the timer|Minute Alarm)"));
  EXPECT_EQ(fake.label1, u"Start Timer");
  EXPECT_EQ(Module1::timerRunning, 0);
  EXPECT_EQ(Ticks(fake, 2), (Texts{"2", "3"}));  // the timer lives on, as the system left it
  fake.rearmFails = true;  // until the system stops it: said as for a timer never made
  fake.Advance(1000);
  EXPECT_EQ(fake.Calls("Box").back(), "Box(Timer not created. Ending Program|Minute Alarm)");
  EXPECT_FALSE(fake.alive);
}

// The short path is what the call wrote up to its first NUL, or without one, the buffer
// trimmed of spaces; nothing when the call failed.
TEST(PlayAlarm, SendsPlayWithTheShortPathOfTheSoundBesideTheProgram) {
  const struct {
    std::u16string dir;
    std::string longPath, written, command;
  } cases[] = {
      {u"/opt/a", "/opt/a/test.mp3", "file:///opt/a/test.mp3\0x"s, "file:///opt/a/test.mp3"},
      {u"C:\\", "C:\\\\test.mp3", "C:\\test.mp3\0"s, "C:\\test.mp3"},
      {u"D:\\My Games", "D:\\My Games\\test.mp3", "D:\\MYGAME~1\\test.mp3\0"s,
       "D:\\MYGAME~1\\test.mp3"},
      // A volume without 8.3 names gives the long form back: it must stay one word.
      {u"D:\\My Games", "D:\\My Games\\test.mp3", "  D:\\My Games\\test.mp3  ",
       "\"D:\\My Games\\test.mp3\""},
      {u"/opt/a", "/opt/a/test.mp3", "\0/opt/a"s, ""},
      {u"/opt/a", "/opt/a/test.mp3", "", ""},
      {u"/opt/" + std::u16string(246, u'a'), "/opt/" + std::string(246, 'a') + "/test.mp3",
       std::string(255, 'b'), std::string(255, 'b')}};
  for (const auto& c : cases) {
    Fake fake;
    fake.dir = c.dir;
    if (!c.written.empty()) {
      fake.shortPaths[c.longPath] = c.written;
    }
    PlayAlarm();
    EXPECT_EQ(fake.log, (Texts{"GetShortPathNameA(" + c.longPath + ",255)",
                               "mciExecute(play " + c.command + ")"}));
  }
}

}  // namespace
}  // namespace minute_alarm
