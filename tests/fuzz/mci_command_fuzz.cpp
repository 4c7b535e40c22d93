// The MCI command reader on any string: no crash, and a command it accepts is "play" with
// an element that, quoted again, reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/gtk/mci_command.h"

using minute_alarm::gtk::MciCommand;
using minute_alarm::gtk::ParseMciCommand;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size);
  MciCommand parsed;
  if (!ParseMciCommand(command, parsed).empty()) {
    return 0;
  }
  if (parsed.verb != "play" || parsed.element.empty()) {
    std::abort();
  }
  if (parsed.element.find('"') == std::string::npos) {
    MciCommand again;
    if (!ParseMciCommand("Play \"" + parsed.element + "\"", again).empty() ||
        again.element != parsed.element) {
      std::abort();
    }
  }
  // The file checks stat and access the path only; they must cope with any name or URI.
  std::string path;
  if (minute_alarm::gtk::FindSoundFile(parsed.element, path).empty() && path.empty()) {
    std::abort();
  }
  return 0;
}
