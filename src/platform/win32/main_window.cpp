#include "platform/win32/main_window.h"

#include <iterator>

#include "app/form1.h"
#include "platform/win32/dpi.h"

namespace minute_alarm::win32 {

namespace {

constexpr wchar_t kClassName[] = L"MinuteAlarm.Form1";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFormExStyle = 0;
// Client area and controls in 96-DPI pixels (twips / 15).
constexpr int kClientWidth = 236;
constexpr int kClientHeight = 80;

struct ControlLayout {
  HWND MainWindow::*handle;
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
  RECT bounds;  // left, top, width, height
  const wchar_t* text;
};

// In tab order.
const ControlLayout kControls[] = {
    {&MainWindow::label1, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, {48, 8, 177, 25}, L"stop"},
    {&MainWindow::playTime,
     L"EDIT",
     ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE,
     {8, 8, 33, 18},
     L"20"},
    {&MainWindow::label2,
     L"STATIC",
     SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
     0,
     {8, 48, 209, 25},
     L"Minute Alarm \u2014 hot-key timer"},
};

MainWindow theWindow;
HFONT controlFont = nullptr;

void ApplyLayout(UINT dpi) {
  HFONT font = CreateMessageFont(dpi);
  for (const ControlLayout& control : kControls) {
    const RECT& b = control.bounds;
    SetWindowPos(theWindow.*control.handle, nullptr, Scale(b.left, dpi), Scale(b.top, dpi),
                 Scale(b.right, dpi), Scale(b.bottom, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(theWindow.*control.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (controlFont != nullptr) {
    DeleteObject(controlFont);
  }
  controlFont = font;
}

void SizeForDpi(UINT dpi) {
  const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kFormStyle, kFormExStyle, dpi);
  SetWindowPos(theWindow.form, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyLayout(dpi);
}

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      ShutDown();
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      theWindow = MainWindow{};
      PostQuitMessage(0);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == theWindow.label2) {
        auto* const dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && theWindow.playTime != nullptr) {
        SetFocus(theWindow.playTime);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (theWindow.playTime != nullptr) {
        SetFocus(theWindow.playTime);
      }
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyLayout(HIWORD(wParam));
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool CreateMainWindow(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = FormProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) {
    return false;
  }
  theWindow.form = CreateWindowExW(kFormExStyle, kClassName, L"hot key F11", kFormStyle,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   nullptr, nullptr, instance, nullptr);
  if (theWindow.form == nullptr) {
    return false;
  }
  for (const ControlLayout& control : kControls) {
    HWND handle = CreateWindowExW(control.exStyle, control.windowClass, control.text,
                                  WS_CHILD | WS_VISIBLE | control.style, 0, 0, 0, 0, theWindow.form,
                                  nullptr, instance, nullptr);
    if (handle == nullptr) {
      return false;
    }
    theWindow.*control.handle = handle;
  }
  SizeForDpi(WindowDpi(theWindow.form));
  return true;
}

const MainWindow& TheMainWindow() { return theWindow; }

void ShowMainWindow(int showCommand) {
  ShowWindow(theWindow.form, showCommand);
  UpdateWindow(theWindow.form);
  SetFocus(theWindow.playTime);
}

}  // namespace minute_alarm::win32
