#include "cycle/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "fake_platform.h"

namespace minute_alarm {
namespace {

using testing::Utf16;
using testing::Utf8;

TEST(NumberFromText, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"20", 20},
      {" 2 0 ", 20},
      {"2e1", 20},
      {"20 seconds", 20},
      {"20abc", 20},
      {"abc", 0},
      {"", 0},
      {"   ", 0},
      {"-5", -5},
      {"+7", 7},
      {"20.5", 20.5},
      {".5", 0.5},
      {"1 5", 15},
      {"\t1\n2", 12},
      {"2E+1", 20},
      {"25e-1", 2.5},
      {"2e", 2},
      {"2e+", 2},
      {"-", 0},
      {"+", 0},
      {".", 0},
      {"1,5", 1},
      {"1.2.3", 1.2},
      {"&H1F", 31},
      {"&hff", 255},
      {"&O17", 15},
      {"&o8", 0},
      {"&", 0},
      {"&X12", 0},
      {"0x1F", 0},
      {"00020", 20},
      {"\r20", 0},
      {"1e400", std::numeric_limits<double>::max()},
      {"-1e400", -std::numeric_limits<double>::max()},
      {"1e-400", 0},
      {"60", 60},
      {"3\xe2\x80\x83", 3},  // ends at an em space
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NumberFromText(Utf16(c.text)), c.expected) << "text: '" << c.text << "'";
  }
}

TEST(NumberFromText, NeverGivesAnInfiniteValue) {
  for (const char* text :
       {"1e99999999999999999999", "9999e308", "&HFFFFFFFFFFFFFFFFFFFFFFFFFFFF"}) {
    EXPECT_TRUE(std::isfinite(NumberFromText(Utf16(text)))) << text;
  }
  std::string manyZeros = "0.";
  manyZeros.append(400, '0');
  manyZeros += "1";
  EXPECT_EQ(NumberFromText(Utf16(manyZeros)), 0.0);
}

TEST(TextFromNumber, PrintsWholeNumbersAsDigitsAndTheRestInGeneralForm) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {19, "19"},
      {21, "21"},
      {-4, "-4"},
      {0, "0"},
      {-0.0, "0"},
      {1, "1"},
      {999999999999999, "999999999999999"},
      {1e15, "1E+15"},
      {-1e15, "-1E+15"},
      {1.5, "1.5"},
      {2.5, "2.5"},
      {0.1, "0.1"},
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {123456789012345678.0, "1.23456789012346E+17"},
      {1.0 / 3, "0.333333333333333"},
      {20.5, "20.5"},
      {std::numeric_limits<double>::max(), "1.79769313486232E+308"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8(TextFromNumber(c.value)), c.expected) << "value: " << c.value;
  }
}

// The printer's output must read back as the same number, whatever the
// locale's decimal separator is.
TEST(TextFromNumber, UsesAPointEvenInACommaLocale) {
  const char* commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252",
                                "de-DE"};
  std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  ASSERT_EQ(*std::localeconv()->decimal_point, ',') << chosen;
  const std::u16string raised = TextFromNumber(NumberFromText(u"1.5") + 1.0);
  const double readBack = NumberFromText(raised);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(Utf8(raised), "2.5");
  EXPECT_EQ(readBack, 2.5);
}

}  // namespace
}  // namespace minute_alarm
