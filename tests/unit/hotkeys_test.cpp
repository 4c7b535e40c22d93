#include "hotkeys/hotkeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "app/module1.h"
#include "fake_platform.h"

namespace minute_alarm {
namespace {

using testing::FakePlatform;
using Calls = std::vector<std::string>;

constexpr int kF9 = 0x78;
constexpr int kF10 = 0x79;
constexpr int kF11 = 0x7A;

// The calls that show the set-up and release order, without the pass-through traffic.
Calls LifecycleCalls(const FakePlatform& fake) {
  Calls found;
  for (const std::string& call : fake.calls) {
    if (call.rfind("CallWindowProcA", 0) != 0) {
      found.push_back(call);
    }
  }
  return found;
}

TEST(HotKeys, SetUpHooksTheWindowThenRegistersTheKeysInOrder) {
  FakePlatform fake;
  const std::intptr_t original = fake.windowProcedure;
  StartUp();
  EXPECT_EQ(fake.calls, (Calls{"GetWindowLongA(4660,-4)", "SetWindowLongA(4660,-4)",
                               "RegisterHotKey(4660,1,0,122)", "RegisterHotKey(4660,2,0,120)",
                               "RegisterHotKey(4660,3,0,121)"}));
  EXPECT_EQ(Module1::savedWindowProc, original);
  EXPECT_EQ(fake.windowProcedure, reinterpret_cast<std::intptr_t>(&HotKeyWindowProc));

  fake.CloseMainWindow();
  EXPECT_EQ(
      LifecycleCalls(fake),
      (Calls{"GetWindowLongA(4660,-4)", "SetWindowLongA(4660,-4)", "RegisterHotKey(4660,1,0,122)",
             "RegisterHotKey(4660,2,0,120)", "RegisterHotKey(4660,3,0,121)", "CloseMainWindow",
             "SetWindowLongA(4660,-4)", "UnregisterHotKey(4660,1)", "UnregisterHotKey(4660,2)",
             "UnregisterHotKey(4660,3)", "DestroyWindow"}));
  EXPECT_EQ(fake.windowProcedure, original);
  EXPECT_TRUE(fake.messages.empty());
}

TEST(HotKeys, ATakenKeyIsReportedAndClosesTheWindow) {
  const struct {
    int takenId;
    Calls afterHook;
  } cases[] = {
      {1,
       {"RegisterHotKey(4660,1,0,122)", "ShowMessageBox(這個熱鍵已被其他程式使用)",
        "CloseMainWindow", "SetWindowLongA(4660,-4)", "UnregisterHotKey(4660,1)",
        "UnregisterHotKey(4660,0)", "UnregisterHotKey(4660,0)", "DestroyWindow"}},
      {2,
       {"RegisterHotKey(4660,1,0,122)", "RegisterHotKey(4660,2,0,120)",
        "ShowMessageBox(這個熱鍵已被其他程式使用)", "CloseMainWindow", "SetWindowLongA(4660,-4)",
        "UnregisterHotKey(4660,1)", "UnregisterHotKey(4660,2)", "UnregisterHotKey(4660,0)",
        "DestroyWindow"}},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.takenKeyIds = {c.takenId};
    StartUp();
    Calls expected{"GetWindowLongA(4660,-4)", "SetWindowLongA(4660,-4)"};
    expected.insert(expected.end(), c.afterHook.begin(), c.afterHook.end());
    EXPECT_EQ(LifecycleCalls(fake), expected) << "taken id " << c.takenId;
    EXPECT_FALSE(fake.windowAlive);
    EXPECT_EQ(fake.messages.size(), 1U);
  }
}

TEST(HotKeys, EachKeyRunsItsCommandAndEveryMessageIsPassedOn) {
  const struct {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::uint32_t lParam;
    const char* playTime;  // after the message, from "20"
    const char* label1;
  } cases[] = {
      {kWmHotKey, 2, kF9 << 16U, "19", "stop"},
      {kWmHotKey, 3, kF10 << 16U, "21", "stop"},
      {kWmHotKey, 1, kF11 << 16U, "20", "Stop Timer"},
      // Right id, wrong key or modifiers: only another program can send these.
      {kWmHotKey, 2, kF10 << 16U, "20", "stop"},
      {kWmHotKey, 2, (kF9 << 16U) | 1U, "20", "stop"},
      {kWmHotKey, 4, kF9 << 16U, "20", "stop"},
      // A key code with the sign bit set must not match after widening.
      {kWmHotKey, 2, 0xFF78U << 16U, "20", "stop"},
      {0x0100, 2, kF9 << 16U, "20", "stop"},  // WM_KEYDOWN carries no command
      {0x000F, 0, 0, "20", "stop"},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    StartUp();
    fake.calls.clear();
    const std::intptr_t result =
        fake.Send(c.message, c.wParam, static_cast<std::intptr_t>(c.lParam));
    EXPECT_EQ(result, FakePlatform::kOriginalProcResult);
    EXPECT_EQ(fake.originalProcMessages, std::vector<std::uint32_t>{c.message});
    EXPECT_EQ(fake.playTime, testing::Utf16(c.playTime)) << c.message << "/" << c.wParam;
    EXPECT_EQ(fake.label1, testing::Utf16(c.label1)) << c.message << "/" << c.wParam;
  }
}

TEST(HotKeys, RepeatedPressesRepeatTheCommand) {
  FakePlatform fake;
  StartUp();
  for (int i = 0; i < 5; ++i) {
    fake.PressHotKey(3, kF10);
  }
  EXPECT_EQ(fake.playTime, u"25");
  fake.PressHotKey(1, kF11);
  fake.PressHotKey(1, kF11);
  fake.PressHotKey(1, kF11);
  EXPECT_EQ(fake.label1, u"Stop Timer");
  EXPECT_EQ(fake.CallsStartingWith("SetTimer").size(), 2U);
  EXPECT_EQ(fake.CallsStartingWith("KillTimer").size(), 1U);
}

TEST(HotKeys, ACommandThatClosesTheWindowLeavesTheDeadWindowAlone) {
  FakePlatform fake;
  fake.setTimerFails = true;
  StartUp();
  fake.calls.clear();
  fake.originalProcMessages.clear();
  fake.PressHotKey(1, kF11);
  EXPECT_FALSE(fake.windowAlive);
  EXPECT_EQ(fake.messages, std::vector<std::u16string>{u"Timer not created. Ending Program"});
  // WM_CLOSE went through the hook to the window's own procedure; the hot key
  // itself was not passed on to a window that is gone.
  EXPECT_EQ(fake.originalProcMessages, std::vector<std::uint32_t>{kWmClose});
  EXPECT_TRUE(fake.CallsStartingWith("CallWindowProcA on a dead window").empty());
  EXPECT_EQ(fake.CallsStartingWith("UnregisterHotKey").size(), 3U);
}

TEST(HotKeys, KeysKeepWorkingWhileAMessageBoxIsOpen) {
  FakePlatform fake;
  StartUp();
  fake.killTimerFails = true;
  fake.PressHotKey(1, kF11);
  fake.whileMessageBoxOpen = [&](std::u16string_view) {
    fake.whileMessageBoxOpen = nullptr;
    fake.PressHotKey(2, kF9);
    fake.PressHotKey(1, kF11);  // the stop runs again and fails again
  };
  fake.PressHotKey(1, kF11);
  EXPECT_EQ(fake.playTime, u"19");
  EXPECT_EQ(fake.messages.size(), 2U);
  EXPECT_EQ(fake.label1, u"Start Timer");
}

}  // namespace
}  // namespace minute_alarm
