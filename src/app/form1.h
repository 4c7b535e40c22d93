// The main window as the rest of the program sees it, and its lifecycle.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace minute_alarm {

inline constexpr std::u16string_view kProgramName = u"Minute Alarm";

namespace Form1 {
WindowHandle hWnd();
void SetTitle(std::u16string_view text);
void SetLabel1Caption(std::u16string_view text);
std::u16string PlayTimeText();
void SetPlayTimeText(std::u16string_view text);
}  // namespace Form1

// Load sequence: the window exists but is not shown yet. The backend shows
// the window afterwards unless this closed it.
void StartUp();
// Unload sequence: the backend runs it when the window takes WM_CLOSE,
// then destroys the window.
void ShutDown();

void ShowMessage(std::u16string_view text);
void CloseMainWindow();

}  // namespace minute_alarm
