// Prints, in UTF-8, the texts of Minute Alarm's visible main window (its title, then its
// controls in tab order), one a line, then "box: " and the text of a message box titled
// "Minute Alarm" if one is open. Run in the program's Wine prefix: WM_GETTEXT reaches across
// processes where GetWindowText does not.
#include <windows.h>

#include <cstdio>

namespace {

void Print(HWND window, const char* prefix = "") {
  wchar_t text[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  char utf8[2048] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("%s%s\n", prefix, utf8);
}

}  // namespace

int main() {
  HWND form = nullptr;
  while ((form = FindWindowExW(nullptr, form, L"MinuteAlarm.Form1", nullptr)) != nullptr &&
         IsWindowVisible(form) == FALSE) {
  }
  for (HWND window = form; window != nullptr;
       window = window == form ? GetWindow(form, GW_CHILD) : GetWindow(window, GW_HWNDNEXT)) {
    Print(window);
  }
  if (HWND box = FindWindowW(L"#32770", L"Minute Alarm")) {
    Print(GetDlgItem(box, 0xFFFF), "box: ");
  }
  return 0;
}
