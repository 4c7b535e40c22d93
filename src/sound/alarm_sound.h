// The alarm: "test.mp3" beside the executable, played through the MCI.
#pragma once

#include <cstdint>
#include <string>

namespace minute_alarm {

inline constexpr std::uint32_t kShortPathBufferLength = 255;

void PlayAlarm();
// The short form of a path, or an empty text when the system gives none.
std::u16string ToShortPath(const std::u16string& longPath);

}  // namespace minute_alarm
