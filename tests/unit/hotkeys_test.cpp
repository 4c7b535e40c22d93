#include "hotkeys/hotkeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace minute_alarm {
namespace {

using testing::Fake;
using Texts = std::vector<std::string>;

constexpr std::uint32_t kF9 = 0x78, kF10 = 0x79, kF11 = 0x7A;
const Texts kHook = {"GetWindowLongA(4660,-4)", "SetWindowLongA(4660,-4)"};
const Texts kRelease = {"SetWindowLongA(4660,-4)", "UnregisterHotKey(4660,1)",
                        "UnregisterHotKey(4660,2)", "UnregisterHotKey(4660,3)"};

Texts Join(std::initializer_list<Texts> parts) {
  Texts all;
  for (const Texts& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

TEST(HotKeys, HookedAndRegisteredAtStartUpReleasedAtClose) {
  Fake fake;
  const std::intptr_t own = fake.procedure;
  StartUp();
  EXPECT_EQ(Module1::savedWindowProc, own);
  EXPECT_EQ(fake.procedure, reinterpret_cast<std::intptr_t>(&HotKeyWindowProc));
  fake.CloseMainWindow();
  EXPECT_EQ(fake.procedure, own);
  EXPECT_EQ(fake.Calls(""),
            Join({kHook,
                  {"RegisterHotKey(4660,1,0,122)", "RegisterHotKey(4660,2,0,120)",
                   "RegisterHotKey(4660,3,0,121)", "CloseMainWindow", "CallWindowProcA(4660,16)"},
                  kRelease,
                  {"DestroyWindow"}}));
}

TEST(HotKeys, ATakenKeyIsReportedAndClosesTheWindowReleasingEveryEntry) {
  const std::string box = "Box(這個熱鍵已被其他程式使用|Minute Alarm)";
  const Texts close = {"CloseMainWindow", "CallWindowProcA(4660,16)", "SetWindowLongA(4660,-4)"};
  const Texts registers = {"RegisterHotKey(4660,1,0,122)", "RegisterHotKey(4660,2,0,120)",
                           "RegisterHotKey(4660,3,0,121)"};
  for (int taken = 1; taken <= 3; ++taken) {
    Fake fake;
    fake.takenIds = {taken};
    StartUp();
    Texts unregisters;
    for (int id = 1; id <= 3; ++id) {  // entries the set-up never reached still hold id 0
      unregisters.push_back("UnregisterHotKey(4660," + std::to_string(id <= taken ? id : 0) + ")");
    }
    EXPECT_EQ(fake.log, Join({kHook,
                              Texts(registers.begin(), registers.begin() + taken),
                              {box},
                              close,
                              unregisters,
                              {"DestroyWindow"}}))
        << "taken id " << taken;
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
               {kWmHotKey, 3, kF9 << 16U, "20", "stop"},
               {kWmHotKey, 1, (kF11 << 16U) | 2U, "20", "stop"},
               {kWmHotKey, 4, kF9 << 16U, "20", "stop"},
               {kWmHotKey, 0, 0, "20", "stop"},
               {kWmHotKey, 2, 0xFF78U << 16U, "20", "stop"},  // the key code is a signed half
               {kWmHotKey + 1, 2, kF9 << 16U, "20", "stop"},
               {0x0100, 3, kF10 << 16U, "20", "stop"}};
  for (const auto& c : cases) {
    Fake fake;
    StartUp();
    EXPECT_EQ(fake.Send(c.message, c.wParam, c.lParam), Fake::kOwnResult);
    EXPECT_EQ(fake.ownSaw, std::vector<std::uint32_t>{c.message});
    EXPECT_EQ(testing::U8(fake.playTime), c.playTime) << c.message << "/" << c.wParam;
    EXPECT_EQ(testing::U8(fake.label1), c.label1) << c.message << "/" << c.wParam;
  }
}

TEST(HotKeys, HeldKeysRepeatTheirCommands) {
  Fake fake;
  StartUp();
  for (int i = 0; i < 5; ++i) {
    fake.Press(3, kF10);
  }
  EXPECT_EQ(fake.playTime, u"25");
  for (int i = 0; i < 3; ++i) {
    fake.Press(1, kF11);
  }
  EXPECT_EQ(fake.label1, u"Stop Timer");
  EXPECT_EQ(fake.Calls("SetTimer").size(), 2U);
  EXPECT_EQ(fake.Calls("KillTimer").size(), 1U);
}

TEST(HotKeys, ACommandThatClosesTheWindowLeavesTheDeadWindowAlone) {
  Fake fake;
  fake.setTimerFails = true;
  StartUp();
  fake.Press(1, kF11);
  EXPECT_FALSE(fake.alive);
  // WM_CLOSE went through the hook to the window's own procedure; the hot key itself is not
  // passed on to a window that is gone.
  EXPECT_EQ(fake.ownSaw, std::vector<std::uint32_t>{kWmClose});
  EXPECT_EQ(fake.Calls("CallWindowProcA"), Texts{"CallWindowProcA(4660,16)"});
}

TEST(HotKeys, KeysWorkWhileAMessageBoxIsOpen) {
  Fake fake;
  StartUp();
  fake.killTimerFails = true;
  fake.Press(1, kF11);
  fake.whileBoxOpen = [&] {
    fake.whileBoxOpen = nullptr;
    fake.Press(2, kF9);
    fake.Press(1, kF11);  // the stop runs again and fails again
  };
  fake.Press(1, kF11);
  EXPECT_EQ(fake.playTime, u"19");
  EXPECT_EQ(fake.Calls("Box").size(), 2U);
  EXPECT_EQ(fake.label1, u"Start Timer");
}

}  // namespace
}  // namespace minute_alarm
