// The command reader on any string: no crash, and a command it takes is "play" with an element
// that, quoted again, reads back the same; the file checks cope with any name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gtk/mci_command.h"

using minute_alarm::gtk::MciCommand;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MciCommand parsed;
  MciCommand again;
  std::string path;
  if (!ParseMciCommand({reinterpret_cast<const char*>(data), size}, parsed).empty()) {
    return 0;
  }
  const bool quotable = parsed.element.find('"') == std::string::npos;
  if (parsed.verb != "play" || parsed.element.empty() ||
      (quotable && (!ParseMciCommand("play \"" + parsed.element + "\"", again).empty() ||
                    again.element != parsed.element)) ||
      (minute_alarm::gtk::FindSoundFile(parsed.element, path).empty() && path.empty())) {
    std::abort();
  }
  return 0;
}
