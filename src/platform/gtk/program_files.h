// The program's directory and the "short" form of a path.
#pragma once

#include <cstdint>
#include <string>

namespace minute_alarm::gtk {

// The directory of the running executable with symlinks resolved, so a link
// in /usr/bin still finds what lies beside the real binary. Empty when
// /proc cannot tell.
std::string ProgramDirectory();

// Linux has no 8.3 names; what stands in for one is the file URI of the
// canonical path (ASCII, no spaces), which the MCI layer accepts. Writes it
// NUL-ended into buffer and gives its length; for a missing file, or when
// it does not fit, gives 0 and leaves buffer untouched.
std::uint32_t ShortPathUri(const char* longPath, char* buffer, std::uint32_t length);

}  // namespace minute_alarm::gtk
