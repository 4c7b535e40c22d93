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

#include <cstdio>
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
  if (window == nullptr ||
      SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG, 2000, &copied) == 0) {
    return L"<unreadable>";
  }
  return {buffer, static_cast<std::size_t>(copied)};
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

struct Search {
  const wchar_t* windowClass;
  DWORD notProcess;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (IsWindowVisible(window) && ClassOf(window) == search->windowClass &&
      ProcessOf(window) != search->notProcess) {
    if (search->notProcess == 0 || TextOf(window) == kProgramName) {
      search->found = window;
      return FALSE;
    }
  }
  return TRUE;
}

// The first instance's window: the visible one (a second instance's stays hidden).
HWND MainWindow() {
  Search search{kMainWindowClass, 0, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND OtherInstanceBox() {
  HWND main = MainWindow();
  Search search{L"#32770", main != nullptr ? ProcessOf(main) : 0xFFFFFFFF, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

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

void PressKey(HWND focusWindow, WORD virtualKey) {
  SetForegroundWindow(focusWindow);
  SetFocus(focusWindow);
  Pump(50);
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
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
    PressKey(focusWindow, static_cast<WORD>(virtualKey));
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
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    std::cout << Run(line, focusWindow) << std::endl;
    Pump(0);
  }
  return 0;
}
