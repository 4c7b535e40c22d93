#include "cycle/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "fake_platform.h"

namespace minute_alarm {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

void ExpectRead(const std::string& text, double value) {
  EXPECT_EQ(NumberFromText(Utf16FromUtf8(text)), value) << "text: '" << text << "'";
}

TEST(NumberFromText, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"20", 20},         {" 2 0 ", 20},   {"\t1\n5", 15},    {"\r20", 0},
               {"20 seconds", 20}, {"abc", 0},      {"", 0},           {"09", 9},
               {"90", 90},         {"/5", 0},       {":5", 0},         {"\xEF\xBC\x92", 0},
               {"-5", -5},         {"+7", 7},       {"-", 0},          {"+-1", 0},
               {".", 0},           {"+.5", 0.5},    {"-.5", -0.5},     {"inf", 0},
               {"-nan", 0},        {"5.", 5},       {"0.05", 0.05},    {"59.5", 59.5},
               {"1,5", 1},         {"1.2.3", 1.2},  {"00020", 20},     {"2e1", 20},
               {"2E+1", 20},       {"25e-1", 2.5},  {"2e", 2},         {"2e+", 2},
               {"2e-x", 2},        {"e5", 0},       {".e1", 0},        {"5e3.5", 5000},
               {"1e308", 1e308},   {"1e309", kMax}, {"-1e309", -kMax}, {"1e-400", 0},
               {"1e-320", 1e-320}, {"&H10", 16},    {"&O10", 8},       {"&H09", 9},
               {"&Ha", 10},        {"&Hf", 15},     {"&HA", 10},       {"&HF", 15},
               {"&hAf", 175},      {"&H1G", 1},     {"&H1@", 1},       {"&H1g", 1},
               {"&O17", 15},       {"&o78", 7},     {"&O8", 0},        {"& H 1 0", 16},
               {"&H", 0},          {"&", 0},        {"&X12", 0},       {"-&H1", 0},
               {"&H-1", 0}};
  for (const auto& c : cases) {
    ExpectRead(c.text, c.value);
  }
  // Out of a double's range: too large saturates, too small is 0.
  const std::string zeros(400, '0');
  for (const char* exponent : {"e99999999999999999999", "E+1000"}) {
    ExpectRead("1" + zeros + exponent, kMax);
    ExpectRead("0." + zeros + "1" + exponent, kMax);
  }
  ExpectRead("1" + zeros, kMax);
  ExpectRead("1" + zeros + "e-50", kMax);
  ExpectRead("0." + zeros + "1", 0);
  ExpectRead("-1" + zeros + "e-99999999999999999999", 0);
  ExpectRead("0e99999999999999999999", 0);
  ExpectRead("&H" + std::string(300, 'F'), kMax);
}

TEST(TextFromNumber, PrintsWholeNumbersAsDigitsAndTheRestInGeneralForm) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{19, "19"},
               {-4, "-4"},
               {0, "0"},
               {-0.0, "0"},
               {60, "60"},
               {999999999999999, "999999999999999"},
               {-999999999999999, "-999999999999999"},
               {1e15, "1E+15"},
               {-1e15, "-1E+15"},
               {1.5, "1.5"},
               {-0.5, "-0.5"},
               {0.0001, "0.0001"},
               {0.00001, "1E-05"},
               {1.0 / 3, "0.333333333333333"},
               {123456789012345678.0, "1.23456789012346E+17"},
               {kMax, "1.79769313486232E+308"}};
  for (const auto& c : cases) {
    EXPECT_EQ(testing::U8(TextFromNumber(c.value)), c.text) << "value: " << c.value;
  }
}

// What the printer writes the reader must read back, whatever the locale's decimal separator.
TEST(TextFromNumber, WritesAPointEvenInACommaLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no de_DE.UTF-8 locale";
  }
  const std::u16string raised = TextFromNumber(NumberFromText(u"1.5") + 1.0);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(raised, u"2.5");
}

}  // namespace
}  // namespace minute_alarm
