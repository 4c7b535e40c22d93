// Program directory and short paths on Linux, against a scratch directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gtk/program_files.h"

namespace minute_alarm::gtk {
namespace {

namespace fs = std::filesystem;

class GtkProgramFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "gtk-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = fs::canonical(pattern);
    fs::create_directory(dir_ / "with space");
    std::ofstream(dir_ / "with space" / "test.mp3") << "x";
    std::ofstream(dir_ / "plain.mp3") << "x";
    fs::create_symlink(dir_ / "plain.mp3", dir_ / "link.mp3");
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(GtkProgramFiles, ShortFormIsTheCanonicalFileUri) {
  const std::string base = "file://" + dir_.string();
  struct Case {
    std::string path;
    std::string uri;
  };
  const Case cases[] = {
      {(dir_ / "plain.mp3").string(), base + "/plain.mp3"},
      {(dir_ / "with space" / "test.mp3").string(), base + "/with%20space/test.mp3"},
      {(dir_ / "link.mp3").string(), base + "/plain.mp3"},
      {(dir_ / "with space" / ".." / "plain.mp3").string(), base + "/plain.mp3"},
  };
  for (const Case& c : cases) {
    char buffer[255];
    const std::uint32_t length = ShortPathUri(c.path.c_str(), buffer, sizeof buffer);
    EXPECT_EQ(length, c.uri.size()) << c.path;
    EXPECT_EQ(std::string(buffer), c.uri) << c.path;
  }
}

TEST_F(GtkProgramFiles, FailedCallsLeaveTheBufferUntouched) {
  const std::string plain = (dir_ / "plain.mp3").string();
  const std::string uri = "file://" + plain;
  struct Case {
    std::string path;
    std::uint32_t length;
    std::uint32_t result;
  };
  const Case cases[] = {
      {(dir_ / "missing.mp3").string(), 255, 0},
      {"", 255, 0},
      {plain, static_cast<std::uint32_t>(uri.size()), 0},  // no room for the NUL
      {plain, static_cast<std::uint32_t>(uri.size() + 1), static_cast<std::uint32_t>(uri.size())},
      {plain, 0, 0},
  };
  for (const Case& c : cases) {
    std::string buffer(300, ' ');
    EXPECT_EQ(ShortPathUri(c.path.c_str(), buffer.data(), c.length), c.result) << c.path;
    if (c.result == 0) {
      EXPECT_EQ(buffer, std::string(300, ' ')) << c.path << " length " << c.length;
    } else {
      EXPECT_EQ(buffer.substr(0, c.result + 1), uri + '\0');
      EXPECT_EQ(buffer[c.result + 1], ' ') << "nothing written past the NUL";
    }
  }
}

TEST(GtkProgramDirectory, IsTheResolvedDirectoryOfThisExecutable) {
  const fs::path exe = fs::canonical("/proc/self/exe");
  EXPECT_EQ(ProgramDirectory(), exe.parent_path().string());
  EXPECT_NE(ProgramDirectory().back(), '/');
}

}  // namespace
}  // namespace minute_alarm::gtk
