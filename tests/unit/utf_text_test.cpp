#include "platform/utf_text.h"

#include <gtest/gtest.h>

#include <string>

namespace minute_alarm {
namespace {

using namespace std::string_literals;

TEST(UtfText, ConvertsBothWaysKeepingNuls) {
  const struct {
    std::u16string utf16;
    std::string utf8;
  } cases[] = {
      {u"play file:///tmp/test.mp3", "play file:///tmp/test.mp3"},
      {u"a\0b"s, "a\0b"s},
      {u"這個熱鍵", "\xE9\x80\x99\xE5\x80\x8B\xE7\x86\xB1\xE9\x8D\xB5"},
      {u"\u00E9\U0001F514", "\xC3\xA9\xF0\x9F\x94\x94"},
      {u"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8FromUtf16(c.utf16), c.utf8);
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
  }
}

TEST(UtfText, ReplacesWhatItCannotCarry) {
  EXPECT_EQ(Utf8FromUtf16(u"x\xD800y\xDC00"s), "x?y?");
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"a\xFF"
       "b\xC3"s,
       u"a\uFFFDb\uFFFD"},
      {"\xC0\x80"s, u"\uFFFD\uFFFD"},                      // an overlong NUL is no NUL
      {"\xED\xA0\x80"s, u"\uFFFD\uFFFD\uFFFD"},            // a surrogate spelt in UTF-8
      {"\xF4\x90\x80\x80"s, u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
  }
}

}  // namespace
}  // namespace minute_alarm
