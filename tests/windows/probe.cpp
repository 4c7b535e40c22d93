// Drives Minute Alarm from outside, in the same Wine prefix. Reads one
// command a line on stdin and answers one line, "ok ..." or "fail ...":
//   texts        the main window's title, Label1, playTime and Label2 (tab-separated)
//   key VK       presses and releases a virtual key, with the probe's window in front
//   box          the text of a message box of another instance ("fail" if none)
//   boxok        presses OK on that box
//   close        posts WM_CLOSE to the main window
// Texts go out as UTF-8. Other processes' texts are read with WM_GETTEXT:
// GetWindowText does not reach across processes.
#include <windows.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr wchar_t kMainWindowClass[] = L"MinuteAlarm.Form1";
constexpr wchar_t kProgramName[] = L"Minute Alarm";
constexpr int kMessageBoxTextId = 0xFFFF;

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length,
                      nullptr, nullptr);
  return result;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[512] = {};
  DWORD_PTR copied = 0;
  if (SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG, 2000, &copied) == 0) {
    return L"<unreadable>";
  }
  return {buffer, static_cast<std::size_t>(copied)};
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// The first visible top-level window of a class and title (any title if null) whose
// process is not `notProcess`.
HWND FindVisible(const wchar_t* windowClass, const wchar_t* title, DWORD notProcess = 0) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, windowClass, title)) != nullptr) {
    if (IsWindowVisible(window) && ProcessOf(window) != notProcess) {
      return window;
    }
  }
  return nullptr;
}

// The first instance's window: the visible one (a second instance's stays hidden).
HWND MainWindow() { return FindVisible(kMainWindowClass, nullptr); }

HWND OtherInstanceBox() { return FindVisible(L"#32770", kProgramName, ProcessOf(MainWindow())); }

void Pump(DWORD milliseconds) {
  const ULONGLONG until = GetTickCount64() + milliseconds;
  MSG message;
  do {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  } while (GetTickCount64() < until);
}

// Wine only sees keys while one of its windows has the focus.
HWND CreateFocusWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"MinuteAlarm.Probe";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW, 400,
                                300, 160, 80, nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  Pump(100);
  return window;
}

void PressKey(HWND focusWindow, BYTE virtualKey) {
  SetForegroundWindow(focusWindow);
  SetFocus(focusWindow);
  Pump(50);
  const auto scan = static_cast<BYTE>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  keybd_event(virtualKey, scan, 0, 0);
  keybd_event(virtualKey, scan, KEYEVENTF_KEYUP, 0);
  Pump(50);
}

std::string Run(const std::string& line, HWND focusWindow) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  if (command == "texts") {
    HWND main = MainWindow();
    if (main == nullptr) {
      return "fail no window";
    }
    std::wstring texts = TextOf(main);
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      texts += L'\t' + TextOf(child);
    }
    return "ok " + Utf8(texts);
  }
  if (command == "key") {
    int virtualKey = 0;
    words >> virtualKey;
    PressKey(focusWindow, static_cast<BYTE>(virtualKey));
    return "ok";
  }
  if (command == "box" || command == "boxok") {
    HWND box = OtherInstanceBox();
    if (box == nullptr) {
      return "fail no box";
    }
    if (command == "box") {
      return "ok " + Utf8(TextOf(GetDlgItem(box, kMessageBoxTextId)));
    }
    PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return "ok";
  }
  if (command == "close") {
    HWND main = MainWindow();
    return main != nullptr && PostMessageW(main, WM_CLOSE, 0, 0) ? "ok" : "fail no window";
  }
  return "fail unknown command";
}

}  // namespace

int main() {
  HWND focusWindow = CreateFocusWindow();
  std::cout << "ok ready" << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::cout << Run(line, focusWindow) << std::endl;
    Pump(0);
  }
  return 0;
}
