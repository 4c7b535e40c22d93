// Start-up: create Form1 hidden, run the load sequence, then show it and
// wait in the message loop, unless the load sequence has closed it.
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include "app/form1.h"
#include "platform/win32/main_window.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR /*lpCmdLine*/,
                    int nShowCmd) {
  using namespace minute_alarm;
  static win32::Win32Platform platform;
  InstallPlatform(&platform);

  if (!win32::CreateMainWindow(hInstance)) {
    ShowMessage(u"Minute Alarm could not create its window and has to end.");
    return 1;
  }
  StartUp();
  if (!IsWindow(win32::TheMainWindow().form)) {
    return 0;
  }
  win32::ShowMainWindow(nShowCmd);

  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) {
      return 1;
    }
    // Tab and the dialog keys work as in a dialog box.
    HWND form = win32::TheMainWindow().form;
    if (form == nullptr || !IsDialogMessageW(form, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // A sound still open at exit takes its player down with the process (Wine's ends in a crash).
  mciSendStringW(L"close all", nullptr, 0, nullptr);
  return static_cast<int>(message.wParam);
}
