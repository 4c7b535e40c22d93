// The Windows backend's own pieces, run under Wine: the text and path helpers, and the bridge
// between the program's procedures and Windows' callbacks on a real window and real timers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/procedure_bridge.h"
#include "platform/win32/text.h"

namespace minute_alarm::win32 {
namespace {

TEST(TextTest, DirectoryOfFile) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"C:\\Program Files\\Minute Alarm\\minute-alarm.exe", u"C:\\Program Files\\Minute Alarm"},
      {u"C:\\minute-alarm.exe", u"C:\\"},
      {u"\\\\server\\share\\minute-alarm.exe", u"\\\\server\\share"},
      {u"Z:\\tmp\\b\\minute-alarm.exe", u"Z:\\tmp\\b"},
  };
  for (const auto& [path, directory] : cases) {
    EXPECT_EQ(DirectoryOfFile(path), directory);
  }
}

TEST(TextTest, AnsiKeepsEmbeddedNulsAndLength) {
  const std::u16string text(u"play C:\\A\0  ", 12);
  const std::string ansi = ToAnsiCodePage(text);
  EXPECT_EQ(ansi, std::string("play C:\\A\0  ", 12));
  EXPECT_EQ(FromAnsiCodePage(ansi), text);
  EXPECT_EQ(FromAnsiCodePage(std::string(255, ' ')), std::u16string(255, u' '));
  EXPECT_EQ(ToAnsiCodePage(u""), "");
}

// --- The bridge on a real window --------------------------------------------

std::vector<std::uint32_t> programSaw;
std::intptr_t savedProcedure = 0;
constexpr std::uint32_t kProbeMessage = WM_APP + 7;

LRESULT CALLBACK OriginalProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbeMessage) {
    return static_cast<LRESULT>(wParam * 2);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::intptr_t ProgramProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  programSaw.push_back(message);
  return BridgeCallWindowProc(savedProcedure, window, message, wParam, lParam) + 1;
}

HWND MakeWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = OriginalProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"BridgeTestWindow";
  RegisterClassW(&windowClass);
  // Message-only: the tests run without a display.
  return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         windowClass.hInstance, nullptr);
}

TEST(ProcedureBridgeTest, HookSeesMessagesAndPassesThemOn) {
  HWND window = MakeWindow();
  ASSERT_NE(window, nullptr);
  const auto handle = reinterpret_cast<WindowHandle>(window);
  const auto program = reinterpret_cast<std::intptr_t>(&ProgramProcedure);

  savedProcedure = BridgeGetWindowLong(handle, GWLP_WNDPROC);
  ASSERT_NE(savedProcedure, 0);
  BridgeSetWindowLong(handle, GWLP_WNDPROC, program);
  EXPECT_EQ(BridgeGetWindowLong(handle, GWLP_WNDPROC), program);

  programSaw.clear();
  EXPECT_EQ(SendMessageW(window, kProbeMessage, 20, 0), 41);  // original's 40, plus the hook's 1
  EXPECT_EQ(programSaw, std::vector<std::uint32_t>{kProbeMessage});

  // Restoring hands back the program's procedure and the original answers alone.
  EXPECT_EQ(BridgeSetWindowLong(handle, GWLP_WNDPROC, savedProcedure), program);
  programSaw.clear();
  EXPECT_EQ(SendMessageW(window, kProbeMessage, 20, 0), 40);
  EXPECT_TRUE(programSaw.empty());
  DestroyWindow(window);
}

std::vector<ULONGLONG> tickTimes;
std::uintptr_t tickedId = 0;

void CountTick(WindowHandle /*window*/, std::uint32_t message, std::uintptr_t id,
               std::uint32_t /*systemTime*/) {
  EXPECT_EQ(message, static_cast<std::uint32_t>(WM_TIMER));
  tickedId = id;
  tickTimes.push_back(GetTickCount64());
}

TEST(ProcedureBridgeTest, TimerTicksUntilKilled) {
  tickTimes.clear();
  const ULONGLONG start = GetTickCount64();
  const std::uintptr_t id = BridgeSetTimer(0, 0, 100, CountTick);
  ASSERT_NE(id, 0U);
  MSG message;
  while (tickTimes.size() < 5 && GetTickCount64() - start < 3000 &&
         GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
  ASSERT_EQ(tickTimes.size(), 5U);
  EXPECT_EQ(tickedId, id);
  // Five ticks on a 100 ms grid: the fifth falls near 500 ms, not 5 roundings later.
  EXPECT_GE(tickTimes.back() - start, 480U);
  EXPECT_LE(tickTimes.back() - start, 560U);

  EXPECT_NE(BridgeKillTimer(0, id), 0);
  const ULONGLONG killed = GetTickCount64();
  while (GetTickCount64() - killed < 300) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
  EXPECT_EQ(tickTimes.size(), 5U) << "ticks after KillTimer";
  EXPECT_EQ(BridgeKillTimer(0, id), 0) << "a killed timer cannot be killed again";
}

}  // namespace
}  // namespace minute_alarm::win32
