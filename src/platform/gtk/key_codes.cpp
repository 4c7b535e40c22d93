#include "platform/gtk/key_codes.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <algorithm>

namespace minute_alarm::gtk {

namespace {
constexpr std::uint32_t kVirtualKeyF1 = 0x70;
constexpr std::uint32_t kVirtualKeyF24 = 0x87;

constexpr std::uint32_t kModAlt = 0x0001;
constexpr std::uint32_t kModControl = 0x0002;
constexpr std::uint32_t kModShift = 0x0004;
constexpr std::uint32_t kModWin = 0x0008;
}  // namespace

unsigned long KeysymFromVirtualKey(std::uint32_t keyCode) {
  if (keyCode < kVirtualKeyF1 || keyCode > kVirtualKeyF24) {
    return NoSymbol;
  }
  return XK_F1 + (keyCode - kVirtualKeyF1);
}

std::optional<unsigned> ModifierMaskFromWindows(std::uint32_t modifiers) {
  if ((modifiers & ~(kModAlt | kModControl | kModShift | kModWin)) != 0) {
    return std::nullopt;
  }
  struct Pair {
    std::uint32_t windows;
    unsigned x;
  };
  // The Windows key is Super, which X keymaps put on Mod4.
  constexpr Pair kPairs[] = {
      {kModAlt, Mod1Mask}, {kModControl, ControlMask}, {kModShift, ShiftMask}, {kModWin, Mod4Mask}};
  unsigned mask = 0;
  for (const Pair& pair : kPairs) {
    if ((modifiers & pair.windows) != 0) {
      mask |= pair.x;
    }
  }
  return mask;
}

std::vector<unsigned> LockCombinations(unsigned capsMask, unsigned numMask, unsigned scrollMask) {
  std::vector<unsigned> combinations{0};
  for (const unsigned lock : {capsMask, numMask, scrollMask}) {
    if (lock == 0) {
      continue;
    }
    const std::size_t count = combinations.size();
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned combined = combinations[i] | lock;
      if (std::find(combinations.begin(), combinations.end(), combined) == combinations.end()) {
        combinations.push_back(combined);
      }
    }
  }
  return combinations;
}

}  // namespace minute_alarm::gtk
