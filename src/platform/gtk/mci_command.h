// The pure half of the MCI layer: reading a command string and checking the file it names.
// Each function returns an empty text when all is well, otherwise the fault in words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace minute_alarm::gtk {

// Larger files are refused unread: no alarm sound is anywhere near this size.
inline constexpr std::uint64_t kMaxSoundFileBytes = 64u << 20;

struct MciCommand {
  std::string verb;     // lower case
  std::string element;  // without its quotes
};

// Splits "play <element>" into its parts. The verb is matched regardless of case; an
// unquoted element runs to the end of the line (so a path with spaces still works), a
// quoted one to its closing quote.
std::string ParseMciCommand(std::string_view command, MciCommand& parsed);

// Turns an element (a file URI or a path) into a local file name and checks that it names a
// non-empty, readable regular file of at most kMaxSoundFileBytes.
std::string FindSoundFile(const std::string& element, std::string& path);

// The name of a file as the user should read it in a message.
std::string DisplayName(const std::string& path);

}  // namespace minute_alarm::gtk
