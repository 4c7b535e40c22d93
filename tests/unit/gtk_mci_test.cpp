// The MCI layer without a sound server: reading commands, checking files, and reporting
// faults once, on the main thread, one box at a time.
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/mci.h"
#include "platform/gtk/mci_command.h"

namespace minute_alarm::gtk {
namespace {

namespace fs = std::filesystem;

TEST(ParseMciCommand, ReadsVerbAndElement) {
  const struct {
    const char* command;
    const char* element;  // nullptr: a fault is expected
    const char* faultPart;
  } cases[] = {
      {"play file:///opt/minute%20alarm/test.mp3", "file:///opt/minute%20alarm/test.mp3", ""},
      {"  pLaY\t/tmp/test.mp3 \n", "/tmp/test.mp3", ""},
      {"play \"/path with space/test.mp3\"", "/path with space/test.mp3", ""},
      {"play /path with space/test.mp3", "/path with space/test.mp3", ""},
      {"play ", nullptr, "needs the name of a sound file"},
      {"play \"\"", nullptr, "needs the name of a sound file"},
      {"play \"/open.mp3", nullptr, "lacks its closing quote"},
      {"play \"/x.mp3\" wait", nullptr, "Unexpected text after the file name: \"wait\""},
      {"playx /tmp/test.mp3", nullptr, "Unknown command \"playx\""},
      {"   ", nullptr, "No command was given."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    MciCommand parsed;
    const std::string fault = ParseMciCommand(c.command, parsed);
    if (c.element != nullptr) {
      EXPECT_EQ(fault, "");
      EXPECT_EQ(parsed.verb, "play");
      EXPECT_EQ(parsed.element, c.element);
    } else {
      EXPECT_NE(fault.find(c.faultPart), std::string::npos) << fault;
    }
  }
}

std::string UriOf(const fs::path& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string result = uri;
  g_free(uri);
  return result;
}

class MciFiles : public testing::Test {
 protected:
  // Its name holds a space, which a file URI escapes as %20.
  MciFiles() : dir_(fs::temp_directory_path() / ("mci test " + std::to_string(getpid()))) {
    fs::create_directories(dir_);
  }
  ~MciFiles() override { fs::remove_all(dir_); }

  fs::path File(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return dir_ / name;
  }
  // Sparse: takes no room on disk.
  fs::path FileOfSize(const std::string& name, std::uintmax_t size) const {
    fs::path file = File(name, "");
    fs::resize_file(file, size);
    return file;
  }

  fs::path dir_;
};

TEST_F(MciFiles, FindSoundFileAcceptsUrisAndPathsAndRefusesBadFiles) {
  const fs::path sound = File("sound.mp3", "checked later");
  const fs::path atLimit = FileOfSize("limit.mp3", kMaxSoundFileBytes);
  const struct {
    std::string element;
    std::string path;  // empty: a fault is expected
    std::string faultPart;
  } cases[] = {
      {UriOf(sound), sound, ""},
      {sound, sound, ""},
      {"FILE://" + UriOf(sound).substr(7), sound, ""},
      {atLimit, atLimit, ""},
      {FileOfSize("huge.mp3", kMaxSoundFileBytes + 1), "", "too large for an alarm sound"},
      {File("empty.mp3", ""), "", "the file is empty"},
      {UriOf(dir_ / "missing.mp3"), "", "missing.mp3\": the file does not exist"},
      {dir_, "", "it is not a file"},
      {"file:relative/test.mp3", "", "not a usable file URI"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.element);
    std::string path = "untouched";
    const std::string fault = FindSoundFile(c.element, path);
    if (!c.path.empty()) {
      EXPECT_EQ(fault, "");
      EXPECT_EQ(path, c.path);
    } else {
      EXPECT_NE(fault.find(c.faultPart), std::string::npos) << fault;
      EXPECT_EQ(path, "untouched");
    }
  }
}

// Reports as the layer hands them over, with the thread they arrived on.
std::vector<std::string> reports;
std::vector<std::thread::id> reportThreads;
void RecordReport(const char* message) {
  reports.emplace_back(message);
  reportThreads.push_back(std::this_thread::get_id());
}

class MciReports : public MciFiles {
 protected:
  MciReports() {
    reports.clear();
    reportThreads.clear();
    SetMciErrorReporter(RecordReport);
  }
  ~MciReports() override {
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
};

TEST_F(MciReports, RefusedCommandsAreReportedOneBoxAtATime) {
  const std::string missing = dir_ / "missing.mp3";
  EXPECT_EQ(ExecuteMciCommand(("play " + missing).c_str()), 0);
  EXPECT_EQ(ExecuteMciCommand("stop"), 0);
  EXPECT_EQ(ExecuteMciCommand("play "), 0);
  ASSERT_EQ(reports.size(), 1U) << "later faults wait for the open box";
  EXPECT_NE(reports[0].find(missing), std::string::npos) << "names the file: " << reports[0];

  MciErrorReportClosed();
  EXPECT_EQ(ExecuteMciCommand("play "), 0);
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_NE(reports[1].find("needs the name of a sound file"), std::string::npos);
}

TEST_F(MciReports, WorkerFaultsReachTheReporterOnTheMainThread) {
  const fs::path file = File("not sound.mp3", "This is a plain text file, not a sound.\n");
  EXPECT_NE(ExecuteMciCommand(("play " + UriOf(file)).c_str()), 0) << "checked by the worker";
  EXPECT_TRUE(reports.empty()) << "not before the main loop runs";
  ASSERT_TRUE(AwaitReport());
  EXPECT_NE(reports[0].find("it is not MPEG audio, or it is damaged"), std::string::npos);
  EXPECT_NE(reports[0].find("not sound.mp3"), std::string::npos) << reports[0];
  EXPECT_EQ(reportThreads[0], std::this_thread::get_id());
}

TEST_F(MciReports, MissingSoundServerIsReportedWithoutBlockingTheCall) {
  g_setenv("PULSE_SERVER", ("unix:" + (dir_ / "no-server").string()).c_str(), TRUE);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(ExecuteMciCommand("play " MINUTE_ALARM_SOUND), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));
  ASSERT_TRUE(AwaitReport());
  EXPECT_NE(reports[0].find("no sound server could be reached"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("test.mp3"), std::string::npos) << reports[0];
  g_unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace minute_alarm::gtk
