#include "sound/alarm_sound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace minute_alarm {
namespace {

using testing::FakePlatform;
using testing::Utf16;
using testing::Utf8;

TEST(ToShortPath, TakesWhatTheSystemWroteUpToItsNul) {
  FakePlatform fake;
  fake.shortPaths["C:\\Program Files\\x.mp3"] = "C:\\PROGRA~1";  // 10 characters
  const std::string long254 = "/" + std::string(253, 'a');
  fake.shortPaths[long254] = long254;
  const std::string long255 = "/" + std::string(254, 'b');
  fake.shortPaths[long255] = long255;  // with its NUL it does not fit

  const struct {
    std::string path;
    std::string expected;
  } cases[] = {
      {"C:\\Program Files\\x.mp3", "C:\\PROGRA~1"},
      {"/missing/test.mp3", ""},
      {long254, long254},
      {long255, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8(ToShortPath(Utf16(c.path))), c.expected) << c.path.size();
  }
  EXPECT_EQ(fake.CallsStartingWith("GetShortPathNameA(C:").front(),
            "GetShortPathNameA(C:\\Program Files\\x.mp3,255)");
}

TEST(PlayAlarm, SendsPlayWithTheShortPathOfTheSoundBesideTheProgram) {
  const struct {
    std::u16string directory;
    char16_t separator;
    const char* longPath;
    const char* shortPath;  // nullptr: the file is missing
    const char* command;
  } cases[] = {
      {u"/opt/minute alarm", u'/', "/opt/minute alarm/test.mp3",
       "file:///opt/minute%20alarm/test.mp3", "play file:///opt/minute%20alarm/test.mp3"},
      {u"C:\\Games\\Alarm", u'\\', "C:\\Games\\Alarm\\test.mp3", "C:\\Games\\Alarm\\test.mp3",
       "play C:\\Games\\Alarm\\test.mp3"},
      {u"C:\\", u'\\', "C:\\\\test.mp3", "C:\\test.mp3", "play C:\\test.mp3"},
      {u"D:\\My Games", u'\\', "D:\\My Games\\test.mp3", "D:\\MYGAME~1\\test.mp3",
       "play D:\\MYGAME~1\\test.mp3"},
      // No 8.3 names on this volume: the long form comes back and must stay one word.
      {u"D:\\My Games", u'\\', "D:\\My Games\\test.mp3", "D:\\My Games\\test.mp3",
       "play \"D:\\My Games\\test.mp3\""},
      {u"/opt/alarm", u'/', "/opt/alarm/test.mp3", nullptr, "play "},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.programDirectory = c.directory;
    fake.separator = c.separator;
    if (c.shortPath != nullptr) {
      fake.shortPaths[c.longPath] = c.shortPath;
    }
    PlayAlarm();
    EXPECT_EQ(fake.mciCommands, std::vector<std::string>{c.command}) << c.longPath;
    EXPECT_TRUE(fake.messages.empty());
  }
}

}  // namespace
}  // namespace minute_alarm
