// The Linux backend's reading of the play command and its checks of the sound file, whose
// faults the user reads in the error box.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/gtk/mci_command.h"

namespace minute_alarm::gtk {
namespace {

namespace fs = std::filesystem;

TEST(Mci, ReadsPlayAndItsSoundFileOrSaysWhatIsWrong) {
  // A space in the folder's name, which a file URI writes as %20.
  const fs::path dir = fs::temp_directory_path() / ("gtk test " + std::to_string(getpid()));
  fs::create_directories(dir / "sub");
  const auto file = [&](const char* name, std::uintmax_t size) {
    std::ofstream(dir / name).close();
    fs::resize_file(dir / name, size);  // sparse: no room taken on disk
    return "file://" + dir.parent_path().string() + "/gtk%20test%20" + std::to_string(getpid()) +
           "/" + name;
  };
  const struct {
    std::string command;
    std::string result;  // the file's path, or a part of the fault
  } cases[] = {
      {"pLaY\t" + file("a.mp3", 1) + " \n", dir / "a.mp3"},
      {"play \"" + (dir / "a.mp3").string() + "\"", dir / "a.mp3"},
      {"play " + file("limit.mp3", kMaxSoundFileBytes), dir / "limit.mp3"},
      {"play ", "needs the name of a sound file; the sound file may be missing."},
      {"play \"/a.mp3\" wait", "Unexpected text after the file name: \"wait\""},
      {"playx /a.mp3", "Unknown command \"playx\""},
      {"play " + file("huge.mp3", kMaxSoundFileBytes + 1), "too large for an alarm sound (64 MiB"},
      {"play " + file("empty.mp3", 0), "empty.mp3\": the file is empty."},
      {"play " + file("a.mp3", 1) + "x", "a.mp3x\": the file does not exist."},
      {"play " + (dir / "sub").string(), "sub\": it is not a file."},
      {"play file:relative/a.mp3", "not a usable file URI"}};
  for (const auto& c : cases) {
    MciCommand parsed;
    std::string path;
    std::string fault = ParseMciCommand(c.command, parsed);
    fault = fault.empty() ? FindSoundFile(parsed.element, path) : fault;
    EXPECT_NE((fault.empty() ? path : fault).find(c.result), std::string::npos) << fault;
    EXPECT_TRUE(fault.empty() || path.empty()) << c.command;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace minute_alarm::gtk
