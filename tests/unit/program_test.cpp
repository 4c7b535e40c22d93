// The program's rules against the scripted platform: the cycle, the target second, the
// window's failures, the hot keys and the alarm sound.
#include <gtest/gtest.h>

#include "cycle/alarm_cycle.h"
#include "cycle/target_second.h"
#include "fake_platform.h"
#include "hotkeys/hotkeys.h"
#include "sound/alarm_sound.h"

namespace minute_alarm {
namespace {

using namespace std::string_literals;
using testing::Fake;
using testing::Texts;
using testing::U8;

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

TEST(AlarmCycle, SwitchesOnAndOffReadingTheChoiceAfreshEachTick) {
  Fake fake;
  fake.Advance(5000);
  ToggleTimer();
  EXPECT_EQ(fake.log, Texts{"SetTimer(0,0,1000)"});
  EXPECT_EQ(fake.label1, u"Stop Timer");
  fake.Advance(999);
  EXPECT_EQ(fake.title, u"hot key F11");
  EXPECT_EQ(Ticks(fake, 2), (Texts{"1", "2"}));
  fake.playTime = u"3";
  EXPECT_EQ(Ticks(fake, 2), (Texts{"3*", "4"}));
  ToggleTimer();
  EXPECT_EQ(fake.Calls("KillTimer"), Texts{"KillTimer(0,501)"});
  EXPECT_EQ(fake.label1, u"Start Timer");
  EXPECT_EQ(Ticks(fake, 2), (Texts{"4", "4"}));  // the title keeps the last second
  ToggleTimer();
  EXPECT_EQ(Ticks(fake, 2), (Texts{"1", "2"}));
  EXPECT_EQ(fake.label1, u"Stop Timer");
  EXPECT_EQ(Module1::timerRunning, -1);
}

// A failed start closes the window; the switch and its label stay as they were.
TEST(AlarmCycle, ATimerThatCannotBeMadeEndsTheProgram) {
  Fake fake;
  ToggleTimer();
  ToggleTimer();
  fake.setTimerFails = true;
  ToggleTimer();
  EXPECT_EQ(fake.Calls("Box"), Texts{"Box(Timer not created. Ending Program|Minute Alarm)"});
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
    fake.alive = false;
    EXPECT_THROW(c.operation(), testing::Exited);
    EXPECT_EQ(fake.log,
              (Texts{"Box(Minute Alarm could not " + c.what + " and has to end.|Minute Alarm)",
                     "ExitProgram(1)"}));
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
}

TEST(HotKeys, ACommandThatClosesTheWindowLeavesTheDeadWindowAlone) {
  Fake fake;
  fake.setTimerFails = true;
  StartUp();
  fake.Press(1, kF11);
  // WM_CLOSE went through the hook to the window's own procedure; the hot key is not passed
  // on to a window that is gone.
  EXPECT_EQ(fake.Calls("Own"), Texts{"Own(16)"});
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
    fake.separator = c.dir[0] == u'/' ? u'/' : u'\\';
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
