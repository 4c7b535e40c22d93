// Start-up: create Form1 hidden, run the load sequence, then show it and
// wait in the message loop, unless the load sequence has closed it.
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include "app/form1.h"
#include "platform/win32/main_window.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr DWORD kEndWithinMs = 2000;
UINT exitCode = 0;

DWORD WINAPI EndIfStuck(LPVOID /*unused*/) {
  Sleep(kEndWithinMs);
  TerminateProcess(GetCurrentProcess(), exitCode);
  return 0;
}

}  // namespace

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
  // A sound still open at exit takes its player down with the process (Wine's ends in a crash),
  // so it is closed first. A player left stuck by a sound server that went away may never
  // answer (seen under Wine 10): then the process ends without it.
  exitCode = static_cast<UINT>(message.wParam);
  CreateThread(nullptr, 0, EndIfStuck, nullptr, 0, nullptr);
  mciSendStringW(L"close all", nullptr, 0, nullptr);
  return static_cast<int>(exitCode);
}
