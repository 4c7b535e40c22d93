// Form1 as the program lays it out, in twips (1/1440 inch; 15 twips are one pixel at 96 dpi).
// Each backend builds its window from this, in its own units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace minute_alarm {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr std::uint32_t kSystemColour = 0xFFFFFFFF;  // the toolkit's own text colour

enum class ControlKind { kLabel, kTextBox };

struct ControlLayout {
  std::u16string_view name;
  ControlKind kind;
  int left, top, width, height;  // twips, within the client area
  std::u16string_view text;      // at start
  std::uint32_t textColour;      // 0xRRGGBB, or kSystemColour
  std::u16string_view spoken;    // what a screen reader calls it; a label is its own text
};

struct FormLayout {
  std::u16string_view title;  // at start
  int clientWidth, clientHeight;
  ControlLayout controls[3];  // in tab order
};

inline constexpr std::u16string_view kCreditLine = u"Minute Alarm \u00B7 F11 start/stop";

inline constexpr FormLayout kForm1 = {
    u"hot key F11",
    3540,
    1200,
    {{u"Label1", ControlKind::kLabel, 720, 120, 2655, 375, u"stop", kSystemColour, {}},
     {u"playTime", ControlKind::kTextBox, 120, 120, 495, 270, u"20", kSystemColour,
      u"Alarm second"},
     {u"Label2", ControlKind::kLabel, 120, 720, 3135, 375, kCreditLine, 0x0000FF, {}}}};

// Where each control stands in kForm1.controls.
inline constexpr std::size_t kLabel1 = 0, kPlayTime = 1, kLabel2 = 2;
static_assert(kForm1.controls[kLabel1].name == u"Label1" &&
              kForm1.controls[kPlayTime].name == u"playTime" &&
              kForm1.controls[kPlayTime].kind == ControlKind::kTextBox &&
              kForm1.controls[kLabel2].name == u"Label2");

}  // namespace minute_alarm
