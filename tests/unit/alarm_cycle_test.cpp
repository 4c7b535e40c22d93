#include "cycle/alarm_cycle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cycle/target_second.h"
#include "fake_platform.h"

namespace minute_alarm {
namespace {

using testing::Exited;
using testing::Fake;
using testing::U8;
using Texts = std::vector<std::string>;

// The titles shown at each of `seconds` ticks, with a '*' where the alarm was asked for.
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

TEST(AlarmCycle, ReadsTheChosenSecondAfreshEachTick) {
  Fake fake;
  ToggleTimer();
  EXPECT_EQ(Ticks(fake, 2), (Texts{"1", "2"}));
  fake.playTime = u"3";
  EXPECT_EQ(Ticks(fake, 2), (Texts{"3*", "4"}));
  EXPECT_EQ(fake.Calls("mciExecute"), Texts{"mciExecute(play )"});
}

TEST(AlarmCycle, SwitchesOnAndOff) {
  Fake fake;
  fake.Advance(5000);
  ToggleTimer();
  EXPECT_EQ(fake.log, Texts{"SetTimer(0,0,1000)"});
  EXPECT_EQ(fake.label1, u"Stop Timer");
  fake.Advance(999);
  EXPECT_EQ(fake.title, u"hot key F11");
  EXPECT_EQ(Ticks(fake, 3), (Texts{"1", "2", "3"}));
  ToggleTimer();
  EXPECT_EQ(fake.Calls("KillTimer"), Texts{"KillTimer(0,501)"});
  EXPECT_EQ(fake.label1, u"Start Timer");
  EXPECT_EQ(Ticks(fake, 2), (Texts{"3", "3"}));  // the title keeps the last second
  ToggleTimer();
  EXPECT_EQ(fake.label1, u"Stop Timer");
  EXPECT_EQ(Ticks(fake, 2), (Texts{"1", "2"}));
  EXPECT_EQ(Module1::timerRunning, -1);
}

TEST(AlarmCycle, TimerFailures) {
  const struct {
    bool setFails, killFails;
    Texts boxes;
    const char* label;
    Texts ticksAfter;  // over two seconds after the switch
  } cases[] = {
      // A failed start closes the window and leaves the switch and its label as they were.
      {true,
       false,
       {"Box(Timer not created. Ending Program|Minute Alarm)"},
       "Start Timer",
       {"3", "3"}},
      // The timer lives on and counts, as the system left it, but the switch is off.
      {false, true, {"Box(couldn't kill the timer|Minute Alarm)"}, "Start Timer", {"4", "5"}}};
  for (const auto& c : cases) {
    Fake fake;
    ToggleTimer();
    fake.Advance(3000);
    fake.setTimerFails = c.setFails;
    fake.killTimerFails = c.killFails;
    if (c.setFails) {
      ToggleTimer();  // off
    }
    ToggleTimer();
    EXPECT_EQ(fake.Calls("Box"), c.boxes);
    EXPECT_EQ(fake.alive, !c.setFails);
    EXPECT_EQ(U8(fake.label1), c.label);
    EXPECT_EQ(Module1::timerRunning, 0);
    EXPECT_EQ(Ticks(fake, 2), c.ticksAfter);
  }
}

TEST(AlarmCycle, ATickAndASecondStopRunWhileTheFirstStopsBoxIsOpen) {
  Fake fake;
  ToggleTimer();
  fake.killTimerFails = true;
  fake.whileBoxOpen = [&] {
    fake.whileBoxOpen = nullptr;
    fake.Advance(1000);
    ToggleTimer();  // still on: the same branch again
  };
  ToggleTimer();
  EXPECT_EQ(fake.Calls("KillTimer").size(), 2U);
  EXPECT_EQ(fake.Calls("Box").size(), 2U);
  EXPECT_EQ(fake.title, u"1");
  EXPECT_EQ(Module1::timerRunning, 0);
}

TEST(TargetSecond, LowerAndRaise) {
  const struct {
    const char* before;
    void (*command)();
    const char* after;
  } cases[] = {{"20", LowerTarget, "19"},
               {"20", RaiseTarget, "21"},
               {"0", LowerTarget, "1"},
               {"1", LowerTarget, "0"},
               {"", LowerTarget, "1"},
               {"abc", RaiseTarget, "1"},
               {"-3", LowerTarget, "4"},
               {"-3", RaiseTarget, "-2"},
               {"20 seconds", RaiseTarget, "21"},
               {"59", RaiseTarget, "60"},
               {"1.5", RaiseTarget, "2.5"},
               {"0.5", LowerTarget, "0.5"},
               {"999999999999999", RaiseTarget, "1E+15"}};
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
    const char* what;
  } cases[] = {{[] { Form1::hWnd(); }, "find its window"},
               {[] { Form1::SetTitle(u"1"); }, "set its window title"},
               {[] { Form1::SetLabel1Caption(u"Stop Timer"); }, "set its label"},
               {[] { Form1::PlayTimeText(); }, "read its text box"},
               {[] { Form1::SetPlayTimeText(u"1"); }, "write its text box"}};
  for (const auto& c : cases) {
    Fake fake;
    fake.alive = false;
    try {
      c.operation();
      ADD_FAILURE() << c.what << ": the program went on";
    } catch (const Exited& exited) {
      EXPECT_EQ(exited.code, 1);
    }
    EXPECT_EQ(fake.log, Texts{"Box(Minute Alarm could not " + std::string(c.what) +
                              " and has to end.|Minute Alarm)"});
  }
}

}  // namespace
}  // namespace minute_alarm
