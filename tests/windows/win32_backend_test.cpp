// The Windows backend's pieces that the black-box test cannot single out, run under Wine: the
// text and path helpers, and the window-procedure bridge on a real window. (The timer bridge
// is covered end to end: the black-box test watches the count start, tick and stop.)
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
  EXPECT_EQ(ToAnsiCodePage(u""), "");
}

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

}  // namespace
}  // namespace minute_alarm::win32
