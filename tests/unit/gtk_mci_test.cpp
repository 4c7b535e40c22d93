// The MCI layer without a sound server: reading commands, checking files, and reporting
// faults once, on the main thread, one box at a time.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/mci.h"
#include "platform/gtk/mci_command.h"

namespace minute_alarm::gtk {
namespace {

struct ParseCase {
  const char* command;
  const char* element;  // nullptr: a fault is expected
  const char* fault_part;
};

TEST(ParseMciCommand, ReadsVerbAndElement) {
  const ParseCase cases[] = {
      {"play file:///opt/minute%20alarm/test.mp3", "file:///opt/minute%20alarm/test.mp3", ""},
      {"PLAY /tmp/test.mp3", "/tmp/test.mp3", ""},
      {"  pLaY\t/tmp/test.mp3 \n", "/tmp/test.mp3", ""},
      {"play \"/path with space/test.mp3\"", "/path with space/test.mp3", ""},
      {"play \"/quoted.mp3\"  ", "/quoted.mp3", ""},
      {"play /path with space/test.mp3", "/path with space/test.mp3", ""},
      {"play ", nullptr, "needs the name of a sound file"},
      {"play", nullptr, "needs the name of a sound file"},
      {"play \"\"", nullptr, "needs the name of a sound file"},
      {"play \"/open.mp3", nullptr, "lacks its closing quote"},
      {"play \"/x.mp3\" wait", nullptr, "Unexpected text after the file name: \"wait\""},
      {"stop /tmp/test.mp3", nullptr, "Unknown command \"stop\""},
      {"playx /tmp/test.mp3", nullptr, "Unknown command \"playx\""},
      {"", nullptr, "No command was given."},
      {"   ", nullptr, "No command was given."},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.command);
    MciCommand parsed;
    const std::string fault = ParseMciCommand(c.command, parsed);
    if (c.element != nullptr) {
      EXPECT_EQ(fault, "");
      EXPECT_EQ(parsed.verb, "play");
      EXPECT_EQ(parsed.element, c.element);
    } else {
      EXPECT_NE(fault.find(c.fault_part), std::string::npos) << fault;
    }
  }
}

class TempDir {
 public:
  TempDir() : path_(MakeDir()) {}
  ~TempDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  std::string File(const std::string& name, const std::string& content) const {
    std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }
  // A file of the given size that takes no room on disk.
  std::string SparseFile(const std::string& name, off_t size) const {
    std::string file = path_ + "/" + name;
    const int fd = open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, size), 0);
    close(fd);
    return file;
  }
  const std::string& path() const { return path_; }

 private:
  static std::string MakeDir() {
    gchar* dir = g_dir_make_tmp("mci test XXXXXX", nullptr);
    std::string path = dir;
    g_free(dir);
    return path;
  }
  std::string path_;
};

std::string UriOf(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string result = uri;
  g_free(uri);
  return result;
}

TEST(FindSoundFile, AcceptsUrisAndPathsAndRefusesBadFiles) {
  TempDir dir;  // its name holds a space, which a file URI escapes as %20
  const std::string sound = dir.File("sound.mp3", "ID3 or whatever: checked later");
  const std::string at_limit = dir.SparseFile("limit.mp3", kMaxSoundFileBytes);
  const std::string huge = dir.SparseFile("huge.mp3", kMaxSoundFileBytes + 1);
  const std::string empty = dir.File("empty.mp3", "");
  ASSERT_NE(UriOf(sound).find("%20"), std::string::npos);

  struct Case {
    std::string element;
    std::string path;  // empty: a fault is expected
    std::string fault_part;
  };
  const Case cases[] = {
      {UriOf(sound), sound, ""},
      {sound, sound, ""},
      {"FILE://" + UriOf(sound).substr(7), sound, ""},
      {at_limit, at_limit, ""},
      {huge, "", "too large for an alarm sound (64 MiB; the limit is 64 MiB)"},
      {empty, "", "the file is empty"},
      {dir.path() + "/missing.mp3", "", "missing.mp3\": the file does not exist"},
      {UriOf(dir.path() + "/missing.mp3"), "", "missing.mp3\": the file does not exist"},
      {dir.path(), "", "it is not a file"},
      {"file:relative/test.mp3", "", "not a usable file URI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    std::string path = "untouched";
    const std::string fault = FindSoundFile(c.element, path);
    if (!c.path.empty()) {
      EXPECT_EQ(fault, "");
      EXPECT_EQ(path, c.path);
    } else {
      EXPECT_NE(fault.find(c.fault_part), std::string::npos) << fault;
      EXPECT_EQ(path, "untouched");
    }
  }
}

// Reports as the layer hands them over, with the thread they arrived on.
std::vector<std::string> reports;
std::vector<std::thread::id> report_threads;
void RecordReport(const char* message) {
  reports.emplace_back(message);
  report_threads.push_back(std::this_thread::get_id());
}

class ExecuteMciCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    reports.clear();
    report_threads.clear();
    SetMciErrorReporter(RecordReport);
  }
  void TearDown() override {
    ShutDownMci();
    SetMciErrorReporter(nullptr);
  }
  // Runs the default main context, as the GTK main loop would, until a report arrives.
  static bool AwaitReport() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (reports.empty() && std::chrono::steady_clock::now() < deadline) {
      g_main_context_iteration(nullptr, FALSE);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return !reports.empty();
  }
  TempDir dir_;
};

TEST_F(ExecuteMciCommandTest, RefusedCommandsAreReportedOnceAndReturnZero) {
  const std::string missing = dir_.path() + "/missing.mp3";
  const std::string commands[] = {"play ", "open " + missing, "play " + UriOf(missing)};
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    reports.clear();
    EXPECT_EQ(ExecuteMciCommand(command.c_str()), 0);
    ASSERT_EQ(reports.size(), 1u);
    MciErrorReportClosed();
  }
  EXPECT_NE(reports[0].find(missing), std::string::npos) << "names the file: " << reports[0];
}

TEST_F(ExecuteMciCommandTest, OnlyOneReportIsOpenAtATime) {
  EXPECT_EQ(ExecuteMciCommand("stop"), 0);
  EXPECT_EQ(ExecuteMciCommand("play "), 0);
  EXPECT_EQ(ExecuteMciCommand("play "), 0);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("\"stop\""), std::string::npos);

  MciErrorReportClosed();
  EXPECT_EQ(ExecuteMciCommand("play "), 0);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[1].find("needs the name of a sound file"), std::string::npos);
}

TEST_F(ExecuteMciCommandTest, WorkerFaultsReachTheReporterOnTheMainThread) {
  struct Case {
    std::string content;
    std::string fault_part;
  };
  const Case cases[] = {
      {std::string(4000, 'x'), "it is not MPEG audio, or it is damaged"},
      {"This is a plain text file, not a sound.\n", "it is not MPEG audio, or it is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 20));
    reports.clear();
    report_threads.clear();
    const std::string file = dir_.File("not sound.mp3", c.content);
    EXPECT_NE(ExecuteMciCommand(("play " + UriOf(file)).c_str()), 0) << "checked by the worker";
    EXPECT_TRUE(reports.empty()) << "not before the main loop runs";
    ASSERT_TRUE(AwaitReport());
    EXPECT_NE(reports[0].find(c.fault_part), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("not sound.mp3"), std::string::npos) << reports[0];
    EXPECT_EQ(report_threads[0], std::this_thread::get_id());
    MciErrorReportClosed();
  }
}

TEST_F(ExecuteMciCommandTest, MissingSoundServerIsReported) {
  g_setenv("PULSE_SERVER", ("unix:" + dir_.path() + "/no-server").c_str(), TRUE);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(ExecuteMciCommand("play " MINUTE_ALARM_SOUND), 0);
  const auto call = std::chrono::steady_clock::now() - start;
  EXPECT_LT(call, std::chrono::milliseconds(5));
  ASSERT_TRUE(AwaitReport());
  EXPECT_NE(reports[0].find("no sound server could be reached"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("test.mp3"), std::string::npos) << reports[0];
  g_unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace minute_alarm::gtk
