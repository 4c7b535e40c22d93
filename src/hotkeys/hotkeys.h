// The three system-wide hot keys and the window procedure that turns them
// into commands.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace minute_alarm {

inline constexpr char16_t kHotKeyTakenMessage[] = u"這個熱鍵已被其他程式使用";

// Runs inside the load sequence: hook the window procedure, register the keys.
void SetUpHotKeys();
// Runs inside the unload sequence: restore the procedure, release the keys.
void ReleaseHotKeys();
// For a desktop that binds the registered keys only after set-up, all at once (the Wayland
// portal), and refused: the same message and end as for a key that is taken.
void HotKeysRefused();
// What the key of a hot-key id does, for a desktop that lists the keys where its user rebinds
// them; empty for an id not in the table.
std::u16string_view HotKeyDescription(int id);

std::intptr_t HotKeyWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam);

}  // namespace minute_alarm
