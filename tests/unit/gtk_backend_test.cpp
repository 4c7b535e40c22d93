// The Linux backend's command reading and file rules, against a scratch directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gtk/mci_command.h"
#include "platform/gtk/program_files.h"

namespace minute_alarm::gtk {
namespace {

namespace fs = std::filesystem;

TEST(ParseMciCommand, ReadsPlayAndItsElementOrSaysWhatIsWrong) {
  const struct {
    const char* command;
    const char* result;  // the element, or a part of the fault
  } cases[] = {{"play file:///opt/a%20b/test.mp3", "file:///opt/a%20b/test.mp3"},
               {"  pLaY\t/tmp/test.mp3 \n", "/tmp/test.mp3"},
               {"play \"/a b/test.mp3\"", "/a b/test.mp3"},
               {"play /a b/test.mp3", "/a b/test.mp3"},
               {"play ", "needs the name of a sound file; the sound file may be missing."},
               {"play \"\"", "needs the name of a sound file"},
               {"play \"/open.mp3", "lacks its closing quote"},
               {"play \"/x.mp3\" wait", "Unexpected text after the file name: \"wait\""},
               {"playx /tmp/test.mp3", "Unknown command \"playx\""},
               {"   ", "No command was given."}};
  for (const auto& c : cases) {
    MciCommand parsed;
    const std::string fault = ParseMciCommand(c.command, parsed);
    EXPECT_NE((fault.empty() ? parsed.element : fault).find(c.result), std::string::npos)
        << c.command << " -> " << fault << parsed.element;
  }
}

class Scratch : public ::testing::Test {
 protected:
  // A space in its name, which a file URI writes as %20.
  const fs::path dir = fs::temp_directory_path() / ("gtk test " + std::to_string(getpid()));
  const std::string uri = "file://" + dir.parent_path().string() + "/gtk%20test%20" +
                          std::to_string(getpid()) + "/a.mp3";
  void SetUp() override { fs::create_directories(dir / "sub"); }
  void TearDown() override { fs::remove_all(dir); }
  std::string File(const std::string& name, std::uintmax_t size) const {
    std::ofstream(dir / name).close();
    fs::resize_file(dir / name, size);  // sparse: no room taken on disk
    return (dir / name).string();
  }
};

TEST_F(Scratch, FindSoundFileTakesUrisAndPathsOfUsableFilesOnly) {
  const std::string sound = File("a.mp3", 10);
  const struct {
    std::string element;
    std::string result;  // the path, or a part of the fault
  } cases[] = {{uri, sound},
               {"FILE" + uri.substr(4), sound},
               {sound, sound},
               {File("limit.mp3", kMaxSoundFileBytes), dir / "limit.mp3"},
               {File("huge.mp3", kMaxSoundFileBytes + 1), "too large for an alarm sound (64 MiB"},
               {File("empty.mp3", 0), "empty.mp3\": the file is empty."},
               {uri + "x", "a.mp3x\": the file does not exist."},
               {dir / "sub", "sub\": it is not a file."},
               {"file:relative/test.mp3", "not a usable file URI"}};
  for (const auto& c : cases) {
    std::string path = "untouched";
    const std::string fault = FindSoundFile(c.element, path);
    EXPECT_NE((fault.empty() ? path : fault).find(c.result), std::string::npos) << fault;
    EXPECT_TRUE(fault.empty() || path == "untouched") << c.element;
  }
}

TEST_F(Scratch, ShortPathIsTheCanonicalFileUriWhenItFits) {
  fs::create_symlink(File("a.mp3", 1), dir / "link.mp3");
  const struct {
    std::string path;
    std::uint32_t length;
    std::string written;  // empty: the buffer is left alone
  } cases[] = {{dir / "a.mp3", 255, uri},
               {dir / "link.mp3", 255, uri},
               {dir / "sub" / ".." / "a.mp3", 255, uri},
               {dir / "a.mp3", static_cast<std::uint32_t>(uri.size() + 1), uri},
               {dir / "a.mp3", static_cast<std::uint32_t>(uri.size()), ""},
               {dir / "missing.mp3", 255, ""}};
  for (const auto& c : cases) {
    std::string buffer(300, ' ');
    const std::uint32_t length = ShortPathUri(c.path.c_str(), buffer.data(), c.length);
    EXPECT_EQ(length, c.written.size()) << c.path;
    EXPECT_EQ(buffer, c.written.empty() ? std::string(300, ' ')
                                        : c.written + '\0' + std::string(299 - length, ' '));
  }
}

}  // namespace
}  // namespace minute_alarm::gtk
