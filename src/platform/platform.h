// The seam between the program's rules and the machine it runs on.
// Every service here is one the rules need; a backend translates each into
// real system calls and decides nothing itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace minute_alarm {

using WindowHandle = std::intptr_t;  // 0 is "no window"

// Same shapes as the Windows window and timer procedures.
using WindowProcedure = std::intptr_t (*)(WindowHandle window, std::uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam);
using TimerProcedure = void (*)(WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                                std::uint32_t systemTime);

constexpr std::uint32_t kWmClose = 0x0010;   // WM_CLOSE
constexpr std::uint32_t kWmHotKey = 0x0312;  // WM_HOTKEY
constexpr int kGwlWndProc = -4;              // GWL_WNDPROC
constexpr std::uint32_t kWmTimer = 0x0113;   // WM_TIMER

class Platform {
 public:
  Platform() = default;
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;
  virtual ~Platform() = default;

  // Main window. Setters and getters return false when the window system
  // refused the operation.
  virtual WindowHandle MainWindowHandle() = 0;
  virtual bool IsWindow(WindowHandle window) = 0;
  virtual bool SetTitle(std::u16string_view text) = 0;
  virtual bool SetLabel1Caption(std::u16string_view text) = 0;
  virtual bool GetPlayTimeText(std::u16string& text) = 0;
  virtual bool SetPlayTimeText(std::u16string_view text) = 0;
  // Modal, OK only, no icon; the message loop keeps running while it is open.
  virtual void ShowMessageBox(std::u16string_view text, std::u16string_view title) = 0;
  // As the user would: the window's procedure sees WM_CLOSE, the program's
  // shutdown runs and the window is destroyed before this returns.
  virtual void CloseMainWindow() = 0;
  // Ends the process at once, after a fatal failure has been reported; never returns.
  virtual void ExitProgram(int code) = 0;

  // Window procedures, as GetWindowLongA / SetWindowLongA / CallWindowProcA.
  virtual std::intptr_t GetWindowLongA(WindowHandle window, int index) = 0;
  virtual std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) = 0;
  virtual std::intptr_t CallWindowProcA(std::intptr_t procedure, WindowHandle window,
                                        std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;

  // System-wide hot keys: nonzero on success.
  virtual int RegisterHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                             std::uint32_t keyCode) = 0;
  virtual int UnregisterHotKey(WindowHandle window, int id) = 0;

  // Timers with no owner window: SetTimer gives the identifier or 0,
  // KillTimer nonzero on success.
  virtual std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id,
                                  std::uint32_t milliseconds, TimerProcedure procedure) = 0;
  virtual int KillTimer(WindowHandle window, std::uintptr_t id) = 0;

  // Files. The directory has no trailing separator except at a root.
  virtual std::u16string ProgramDirectory() = 0;
  virtual char16_t PathSeparator() = 0;
  // Writes the NUL-ended short form into buffer, or leaves it untouched.
  virtual std::uint32_t GetShortPathNameA(const char* longPath, char* buffer,
                                          std::uint32_t length) = 0;

  // The system's ANSI code page; both keep embedded NULs.
  virtual std::string ToAnsi(std::u16string_view text) = 0;
  virtual std::u16string FromAnsi(std::string_view text) = 0;

  // Multimedia command interface: one MCI command string.
  virtual int mciExecute(const char* command) = 0;
};

// The one instance for the program's life; the backend's main (or a test)
// installs it before anything else runs.
void InstallPlatform(Platform* platform);
Platform& ThePlatform();

}  // namespace minute_alarm
