#include "cycle/alarm_cycle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "app/module1.h"
#include "cycle/target_second.h"
#include "fake_platform.h"

namespace minute_alarm {
namespace {

using testing::FakePlatform;
using testing::ProgramExited;
using testing::Utf16;
using testing::Utf8;

constexpr char kPlay[] = "play file:///opt/minute%20alarm/test.mp3";

// The titles at which the alarm was asked for, over the given seconds.
std::vector<std::string> AlarmTitles(FakePlatform& fake, int seconds) {
  std::vector<std::string> atTitles;
  for (int s = 0; s < seconds; ++s) {
    const std::size_t before = fake.mciCommands.size();
    fake.AdvanceClock(1000);
    if (fake.mciCommands.size() != before) {
      atTitles.push_back(Utf8(fake.title));
      EXPECT_EQ(fake.mciCommands.back(), kPlay);
    }
  }
  return atTitles;
}

class AlarmCycle : public ::testing::Test {
 protected:
  AlarmCycle() { fake.shortPaths["/opt/minute alarm/test.mp3"] = kPlay + 5; }
  FakePlatform fake;
};

TEST_F(AlarmCycle, CountsTheMinuteInTheTitleAndWraps) {
  ToggleTimer();
  EXPECT_EQ(fake.CallsStartingWith("SetTimer"), std::vector<std::string>{"SetTimer(0,0,1000)"});
  EXPECT_EQ(fake.label1, u"Stop Timer");
  EXPECT_EQ(Module1::timerRunning, -1);
  fake.AdvanceClock(999);
  EXPECT_TRUE(fake.titles.empty());
  fake.AdvanceClock(1);
  fake.AdvanceClock(120 * 1000 - 1000);
  ASSERT_EQ(fake.titles.size(), 120U);
  for (std::size_t i = 0; i < fake.titles.size(); ++i) {
    EXPECT_EQ(fake.titles[i], Utf16(std::to_string(i % 60 + 1)));
  }
  EXPECT_EQ(Module1::secondCount, 0);
}

TEST(AlarmCycleTable, SoundsOnlyAtTheChosenSecond) {
  const struct {
    const char* chosen;
    std::vector<std::string> alarmTitles;  // over two minutes
  } cases[] = {
      {"20", {"20", "20"}},
      {"1", {"1", "1"}},
      {"59", {"59", "59"}},
      {"0", {"60", "60"}},
      {"", {"60", "60"}},
      {"abc", {"60", "60"}},
      {" 2 0 ", {"20", "20"}},
      {"2e1", {"20", "20"}},
      {"20 seconds", {"20", "20"}},
      {"60", {}},
      {"75", {}},
      {"-5", {}},
      {"20.5", {}},
      {"-0", {"60", "60"}},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.shortPaths["/opt/minute alarm/test.mp3"] = kPlay + 5;
    fake.playTime = Utf16(c.chosen);
    ToggleTimer();
    EXPECT_EQ(AlarmTitles(fake, 120), c.alarmTitles) << "chosen: '" << c.chosen << "'";
  }
}

TEST_F(AlarmCycle, ReadsTheChosenSecondAfreshEveryTick) {
  ToggleTimer();
  EXPECT_EQ(AlarmTitles(fake, 5), std::vector<std::string>{});
  fake.playTime = u"7";
  EXPECT_EQ(AlarmTitles(fake, 5), std::vector<std::string>{"7"});
}

TEST_F(AlarmCycle, StopKeepsTheTitleAndRestartCountsFromOne) {
  ToggleTimer();
  fake.AdvanceClock(3000);
  ToggleTimer();
  EXPECT_EQ(fake.label1, u"Start Timer");
  EXPECT_EQ(Module1::timerRunning, 0);
  EXPECT_EQ(fake.CallsStartingWith("KillTimer"), std::vector<std::string>{"KillTimer(0,501)"});
  fake.AdvanceClock(5000);
  EXPECT_EQ(fake.title, u"3");
  ToggleTimer();
  fake.AdvanceClock(1000);
  EXPECT_EQ(fake.title, u"1");
  EXPECT_EQ(fake.LiveTimers(), 1U);
}

TEST_F(AlarmCycle, TimerThatCannotBeCreatedEndsTheProgram) {
  fake.setTimerFails = true;
  ToggleTimer();
  EXPECT_EQ(fake.messages, std::vector<std::u16string>{u"Timer not created. Ending Program"});
  EXPECT_FALSE(fake.windowAlive);
  EXPECT_EQ(Module1::timerRunning, 0);
  EXPECT_EQ(fake.label1, u"stop");
}

TEST_F(AlarmCycle, TimerThatCannotBeKilledIsReportedAndSwitchedOffAnyway) {
  ToggleTimer();
  fake.killTimerFails = true;
  ToggleTimer();
  EXPECT_EQ(fake.messages, std::vector<std::u16string>{u"couldn't kill the timer"});
  EXPECT_EQ(Module1::timerRunning, 0);
  EXPECT_EQ(fake.label1, u"Start Timer");
  // The timer lives on and keeps counting, as the system left it.
  fake.AdvanceClock(2000);
  EXPECT_EQ(fake.title, u"2");
}

TEST_F(AlarmCycle, SecondStopWhileTheFirstBoxIsOpenRunsTheStopAgain) {
  ToggleTimer();
  fake.killTimerFails = true;
  int boxesOpen = 0;
  fake.whileMessageBoxOpen = [&](std::u16string_view) {
    if (++boxesOpen == 1) {
      fake.AdvanceClock(1000);  // ticks go on while the box is open
      ToggleTimer();
    }
  };
  ToggleTimer();
  EXPECT_EQ(fake.messages.size(), 2U);
  EXPECT_EQ(fake.CallsStartingWith("KillTimer").size(), 2U);
  EXPECT_EQ(fake.title, u"1");
  EXPECT_EQ(Module1::timerRunning, 0);
}

TEST_F(AlarmCycle, AdjustingTheChosenSecond) {
  const struct {
    const char* before;
    void (*command)();
    const char* after;
  } cases[] = {
      {"20", LowerTarget, "19"},
      {"20", RaiseTarget, "21"},
      {"0", LowerTarget, "1"},
      {"1", LowerTarget, "0"},
      {"", LowerTarget, "1"},
      {"abc", LowerTarget, "1"},
      {"", RaiseTarget, "1"},
      {"abc", RaiseTarget, "1"},
      {"-3", LowerTarget, "4"},
      {"-3", RaiseTarget, "-2"},
      {"20 seconds", RaiseTarget, "21"},
      {"59", RaiseTarget, "60"},
      {"1.5", RaiseTarget, "2.5"},
      {"0.5", LowerTarget, "0.5"},
      {"999999999999999", RaiseTarget, "1E+15"},
  };
  for (const auto& c : cases) {
    fake.playTime = Utf16(c.before);
    c.command();
    EXPECT_EQ(Utf8(fake.playTime), c.after) << "from '" << c.before << "'";
  }
}

TEST_F(AlarmCycle, AWindowThatRefusesItsTextBoxEndsTheProgramWithAReport) {
  fake.windowAlive = false;
  EXPECT_THROW(RaiseTarget(), ProgramExited);
  ASSERT_EQ(fake.messages.size(), 1U);
  EXPECT_NE(Utf8(fake.messages[0]).find("text box"), std::string::npos);
}

}  // namespace
}  // namespace minute_alarm
