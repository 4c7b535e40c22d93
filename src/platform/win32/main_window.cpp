#include "platform/win32/main_window.h"

#include <initializer_list>
#include <iterator>

#include "app/form1.h"
#include "app/form1_layout.h"
#include "platform/win32/dpi.h"
#include "platform/win32/text.h"

namespace minute_alarm::win32 {

namespace {

constexpr wchar_t kClassName[] = L"MinuteAlarm.Form1";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFormExStyle = 0;

struct ControlClass {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
  if (kind == ControlKind::kTextBox) {
    return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
  }
  return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0};
}

MainWindow theWindow;
HFONT controlFont = nullptr;
HFONT boxFont = nullptr;

void ApplyLayout(UINT dpi) {
  HFONT font = CreateMessageFont(dpi);
  for (std::size_t i = 0; i < std::size(kForm1.controls); ++i) {
    const ControlLayout& c = kForm1.controls[i];
    SetWindowPos(theWindow.controls[i], nullptr, FromTwips(c.left, dpi), FromTwips(c.top, dpi),
                 FromTwips(c.width, dpi), FromTwips(c.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The box is 270 twips high, within its sunken edge less than the message font's line
  // (Segoe UI 9 pt wants 16 px at 96 dpi, 14 fit): its font is the same face made to fit.
  RECT inside{};
  GetClientRect(theWindow.controls[kPlayTime], &inside);
  HFONT fitted = CreateFontFitting(font, inside.bottom - inside.top);
  for (std::size_t i = 0; i < std::size(kForm1.controls); ++i) {
    SendMessageW(theWindow.controls[i], WM_SETFONT,
                 reinterpret_cast<WPARAM>(i == kPlayTime ? fitted : font), TRUE);
  }
  for (HFONT old : {controlFont, boxFont}) {
    if (old != nullptr) {
      DeleteObject(old);
    }
  }
  controlFont = font;
  boxFont = fitted;
}

void SizeForDpi(UINT dpi) {
  const SIZE outer =
      OuterSizeForClient(kForm1.clientWidth, kForm1.clientHeight, kFormStyle, kFormExStyle, dpi);
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
      for (std::size_t i = 0; i < std::size(kForm1.controls); ++i) {
        const std::uint32_t rgb = kForm1.controls[i].textColour;
        if (reinterpret_cast<HWND>(lParam) == theWindow.controls[i] && rgb != kSystemColour) {
          auto* const dc = reinterpret_cast<HDC>(wParam);
          SetTextColor(dc, RGB(rgb >> 16U, (rgb >> 8U) & 0xFFU, rgb & 0xFFU));
          SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
          return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && theWindow.controls[kPlayTime] != nullptr) {
        SetFocus(theWindow.controls[kPlayTime]);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (theWindow.controls[kPlayTime] != nullptr) {
        SetFocus(theWindow.controls[kPlayTime]);
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
  // The program's own icon (resource 1): the large one for Alt-Tab and the taskbar, the small
  // one for the title bar.
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) {
    return false;
  }
  theWindow.form = CreateWindowExW(kFormExStyle, kClassName, Wide(kForm1.title).c_str(), kFormStyle,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   nullptr, nullptr, instance, nullptr);
  if (theWindow.form == nullptr) {
    return false;
  }
  for (std::size_t i = 0; i < std::size(kForm1.controls); ++i) {
    const ControlClass kind = ClassOf(kForm1.controls[i].kind);
    theWindow.controls[i] = CreateWindowExW(
        kind.exStyle, kind.windowClass, Wide(kForm1.controls[i].text).c_str(),
        WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0, 0, theWindow.form, nullptr, instance, nullptr);
    if (theWindow.controls[i] == nullptr) {
      return false;
    }
  }
  SizeForDpi(WindowDpi(theWindow.form));
  return true;
}

const MainWindow& TheMainWindow() { return theWindow; }

void ShowMainWindow(int showCommand) {
  ShowWindow(theWindow.form, showCommand);
  UpdateWindow(theWindow.form);
  SetFocus(theWindow.controls[kPlayTime]);
}

}  // namespace minute_alarm::win32
