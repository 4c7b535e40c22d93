#include "sound/alarm_sound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace minute_alarm {
namespace {

using namespace std::string_literals;
using testing::Fake;
using testing::U8;

TEST(ToShortPath, TakesTheBufferUpToItsFirstNulOrTrimmedOfSpaces) {
  const std::string long254(254, 'a');
  const struct {
    std::string written;  // nothing: the call failed
    std::string shortPath;
  } cases[] = {{"C:\\PROGRA~1\0x"s, "C:\\PROGRA~1"},
               {"\0C:\\A"s, ""},
               {"", ""},
               {long254 + '\0', long254},
               {"  C:\\My Games  ", "C:\\My Games"},  // a call that wrote no NUL
               {std::string(255, 'b'), std::string(255, 'b')}};
  for (const auto& c : cases) {
    Fake fake;
    if (!c.written.empty()) {
      fake.shortPaths["C:\\Program Files\\x.mp3"] = c.written;
    }
    EXPECT_EQ(U8(ToShortPath(u"C:\\Program Files\\x.mp3")), c.shortPath) << c.written;
    EXPECT_EQ(fake.log,
              std::vector<std::string>{"GetShortPathNameA(C:\\Program Files\\x.mp3,255)"});
  }
}

TEST(PlayAlarm, SendsPlayWithTheShortPathOfTheSoundBesideTheProgram) {
  const struct {
    std::u16string directory;
    char16_t separator;
    const char* longPath;
    const char* shortPath;  // nullptr: no short form
    const char* command;
  } cases[] = {{u"/opt/alarm", u'/', "/opt/alarm/test.mp3", "file:///opt/alarm/test.mp3",
                "play file:///opt/alarm/test.mp3"},
               {u"C:\\", u'\\', "C:\\\\test.mp3", "C:\\test.mp3", "play C:\\test.mp3"},
               {u"D:\\My Games", u'\\', "D:\\My Games\\test.mp3", "D:\\MYGAME~1\\test.mp3",
                "play D:\\MYGAME~1\\test.mp3"},
               // A volume without 8.3 names gives the long form back: it must stay one word.
               {u"D:\\My Games", u'\\', "D:\\My Games\\test.mp3", "D:\\My Games\\test.mp3",
                "play \"D:\\My Games\\test.mp3\""},
               {u"/opt/alarm", u'/', "/opt/alarm/test.mp3", nullptr, "play "}};
  for (const auto& c : cases) {
    Fake fake;
    fake.directory = c.directory;
    fake.separator = c.separator;
    if (c.shortPath != nullptr) {
      fake.shortPaths[c.longPath] = c.shortPath + "\0"s;
    }
    PlayAlarm();
    EXPECT_EQ(fake.log, (std::vector<std::string>{"GetShortPathNameA("s + c.longPath + ",255)",
                                                  "mciExecute("s + c.command + ")"}));
  }
}

}  // namespace
}  // namespace minute_alarm
