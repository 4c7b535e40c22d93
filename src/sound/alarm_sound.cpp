#include "sound/alarm_sound.h"

#include <string>

#include "platform/platform.h"

namespace minute_alarm {

namespace {

std::u16string TrimSpaces(const std::u16string& text) {
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

std::u16string ToShortPath(const std::u16string& longPath) {
  Platform& platform = ThePlatform();
  std::string buffer(kShortPathBufferLength, ' ');
  platform.GetShortPathNameA(platform.ToAnsi(longPath).c_str(), buffer.data(),
                             kShortPathBufferLength);
  const std::u16string shortPath = platform.FromAnsi(buffer);
  const std::size_t nul = shortPath.find(u'\0');
  if (nul != std::u16string::npos) {
    return shortPath.substr(0, nul);
  }
  return TrimSpaces(shortPath);
}

void PlayAlarm() {
  Platform& platform = ThePlatform();
  std::u16string path = platform.ProgramDirectory();
  path += platform.PathSeparator();
  path += u"test.mp3";

  const std::u16string shortPath = ToShortPath(path);
  std::u16string command = u"play ";
  // Volumes without 8.3 names give the long form back; a space would split
  // it into a device name and stray words.
  if (shortPath.find(u' ') != std::u16string::npos) {
    command += u'"' + shortPath + u'"';
  } else {
    command += shortPath;
  }
  platform.mciExecute(platform.ToAnsi(command).c_str());
}

}  // namespace minute_alarm
