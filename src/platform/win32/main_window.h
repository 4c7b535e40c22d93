// Form1 as a native window: its class, layout, controls and own procedure.
#pragma once

#include <windows.h>

namespace minute_alarm::win32 {

struct MainWindow {
  HWND form = nullptr;
  HWND controls[3] = {};  // as in kForm1.controls
};

// Creates Form1 hidden, with its controls; false when the window system refused.
bool CreateMainWindow(HINSTANCE instance);
// The one Form1; its handles are null once the window is destroyed.
const MainWindow& TheMainWindow();
// Shows Form1 and gives playTime the focus.
void ShowMainWindow(int showCommand);

}  // namespace minute_alarm::win32
