// Per-monitor DPI services, looked up at run time so the program still
// starts on systems that predate them (it then works at the system DPI).
#pragma once

#include <windows.h>

namespace minute_alarm::win32 {

inline constexpr UINT kDefaultDpi = 96;

// The DPI of the monitor that holds the window.
UINT WindowDpi(HWND window);
// Outer size of a window whose client area is clientWidth x clientHeight twips.
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);
// The system's message font, sized for dpi.
HFONT CreateMessageFont(UINT dpi);
// The same face no taller than lineHeight pixels a line (as GetTextMetrics gives it).
HFONT CreateFontFitting(HFONT font, int lineHeight);
// Twips to pixels at dpi.
int FromTwips(int twips, UINT dpi);

}  // namespace minute_alarm::win32
