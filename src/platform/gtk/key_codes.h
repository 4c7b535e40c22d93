// Windows virtual keys and modifier bits in X's terms.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace minute_alarm::gtk {

// The keysym of a function key F1..F24, or 0 (NoSymbol) for any other code.
unsigned long KeysymFromVirtualKey(std::uint32_t keyCode);

// MOD_ALT, MOD_CONTROL, MOD_SHIFT and MOD_WIN as X modifier bits; nothing
// when the mask holds a bit that has no X counterpart.
std::optional<unsigned> ModifierMaskFromWindows(std::uint32_t modifiers);

// Every distinct combination of the lock modifiers, the empty one first.
// A grab must be made once per combination, or a key pressed with NumLock on
// would not count as the same key. Zero masks (a lock the keyboard lacks)
// add nothing.
std::vector<unsigned> LockCombinations(unsigned capsMask, unsigned numMask, unsigned scrollMask);

}  // namespace minute_alarm::gtk
