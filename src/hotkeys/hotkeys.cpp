#include "hotkeys/hotkeys.h"

#include <array>
#include <cstddef>

#include "app/form1.h"
#include "app/module1.h"
#include "cycle/alarm_cycle.h"
#include "cycle/target_second.h"

namespace minute_alarm {

namespace {

struct HotKeyBinding {
  std::int32_t keyCode;
  std::int32_t id;
  void (*command)();
  std::u16string_view description;
};

constexpr std::int32_t kVirtualKeyF9 = 0x78;
constexpr std::int32_t kVirtualKeyF10 = 0x79;
constexpr std::int32_t kVirtualKeyF11 = 0x7A;

// Index i of this table belongs to Module1::hotKeyTable[i].
constexpr std::array<HotKeyBinding, 3> kBindings = {{
    {kVirtualKeyF11, 1, ToggleTimer, u"Start or stop the count"},
    {kVirtualKeyF9, 2, LowerTarget, u"Lower the alarm second"},
    {kVirtualKeyF10, 3, RaiseTarget, u"Raise the alarm second"},
}};
static_assert(kBindings.size() == Module1::hotKeyTable.size());

std::int32_t SignedHalf(std::uint32_t half) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(half));
}

std::intptr_t HookAddress() { return reinterpret_cast<std::intptr_t>(&HotKeyWindowProc); }

}  // namespace

void SetUpHotKeys() {
  Platform& platform = ThePlatform();
  Module1::savedWindowProc = platform.GetWindowLongA(Form1::hWnd(), kGwlWndProc);
  platform.SetWindowLongA(Form1::hWnd(), kGwlWndProc, HookAddress());

  for (std::size_t i = 0; i < std::size(kBindings); ++i) {
    HotKeyEntry& entry = Module1::hotKeyTable[i];
    entry.id = kBindings[i].id;
    entry.keyCode = kBindings[i].keyCode;
    if (platform.RegisterHotKey(Form1::hWnd(), entry.id,
                                static_cast<std::uint32_t>(entry.modifiers),
                                static_cast<std::uint32_t>(entry.keyCode)) == 0) {
      ShowMessage(kHotKeyTakenMessage);
      CloseMainWindow();
      return;
    }
  }
}

std::u16string_view HotKeyDescription(int id) {
  for (const HotKeyBinding& binding : kBindings) {
    if (binding.id == id) {
      return binding.description;
    }
  }
  return {};
}

void HotKeysRefused() {
  ShowMessage(kHotKeyTakenMessage);
  CloseMainWindow();
}

void ReleaseHotKeys() {
  Platform& platform = ThePlatform();
  platform.SetWindowLongA(Form1::hWnd(), kGwlWndProc, Module1::savedWindowProc);
  for (const HotKeyEntry& entry : Module1::hotKeyTable) {
    platform.UnregisterHotKey(Form1::hWnd(), entry.id);
  }
}

std::intptr_t HotKeyWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  if (message == kWmHotKey && !Module1::fatalFailure) {
    const auto bits = static_cast<std::uint32_t>(lParam);
    const std::int32_t low = SignedHalf(bits & 0xFFFFU);
    const std::int32_t high = SignedHalf(bits >> 16U);
    for (std::size_t i = 0; i < std::size(kBindings); ++i) {
      const HotKeyEntry& entry = Module1::hotKeyTable[i];
      if (static_cast<std::intptr_t>(wParam) == entry.id && high == entry.keyCode &&
          low == entry.modifiers) {
        kBindings[i].command();
      }
    }
  }
  Platform& platform = ThePlatform();
  // A command may have closed the window; its old procedure has nothing left to serve.
  if (!platform.IsWindow(window)) {
    return 0;
  }
  return platform.CallWindowProcA(Module1::savedWindowProc, window, message, wParam, lParam);
}

}  // namespace minute_alarm
