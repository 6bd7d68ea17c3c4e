#include "plugins/Plugin.h"
#include "plugins/SplitCommandLine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
constexpr int kShortGraceMs = 100;

// Gone for good: ended and collected (a zombie still has its /proc entry).
bool ProcessGone(pid_t pid) { return !std::filesystem::exists("/proc/" + std::to_string(pid)); }

class PluginTest : public testing::Test {
 protected:
  // Writes an executable shell script and returns its quoted path.
  std::string Script(const std::string& name, const std::string& body) {
    std::string path = dir_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0700);
    return "\"" + path + "\"";
  }
  bool Run(const std::string& line, bool asPlugin) { return plugin_.Run(SplitCommandLine(line), asPlugin); }
  std::string PidFile() const { return dir_ / "pid"; }
  bool Returned() { return WaitUntil([&] { return plugin_.HasReturned(); }); }
  pid_t ReadPid(const std::string& path) const {
    pid_t pid = 0;
    WaitUntil([&] { return (std::ifstream(path) >> pid) && pid > 0; });
    return pid;
  }
  // A plug-in that records its id and never ends.
  std::string Sleeper() {
    return Script("sleeper", "echo $$ > \"" + PidFile() + "\"\nexec sleep 30");
  }

  TempDir dir_;
  Plugin plugin_{kShortGraceMs};
};

TEST_F(PluginTest, OutputBecomesTheReturnValueOnceTheProgramEnds) {
  ASSERT_TRUE(Run(Script("p", "printf 'a=1&b=two+words'"), true));
  EXPECT_TRUE(plugin_.IsPluginRunning());
  ASSERT_TRUE(Returned());
  EXPECT_EQ(plugin_.GetReturnValue(), "a=1&b=two+words");
  plugin_.StopWatching();
  EXPECT_TRUE(!plugin_.IsPluginRunning() && plugin_.GetReturnValue() == "a=1&b=two+words");
  // A new run clears what the last one returned; empty output still returns.
  ASSERT_TRUE(Run(Script("e", "exit 3"), true));
  EXPECT_EQ(plugin_.GetReturnValue(), "");
  EXPECT_TRUE(Returned() && plugin_.GetReturnValue().empty());
  // The program's end counts, not its output's: a descendant may hold that.
  std::string child = dir_ / "child";
  ASSERT_TRUE(Run(Script("bg", "sleep 30 &\necho $! > \"" + child + "\"\nprintf 'a=1'"), true));
  EXPECT_TRUE(Returned() && plugin_.GetReturnValue() == "a=1");
  ::kill(ReadPid(child), SIGKILL);
}

TEST_F(PluginTest, ArgumentsArriveAsWrittenWithoutAShell) {
  std::string marker = dir_ / "pwned";
  std::string line = Script("args", "printf 'n=%s&1=%s&2=%s' \"$#\" \"$1\" \"$2\"") +
                     " \"two words\" 1;touch$IFS" + marker + "$(touch " + marker + ")";
  ASSERT_TRUE(Run(line, true) && Returned());
  EXPECT_EQ(plugin_.GetReturnValue(), "n=3&1=two words&2=1;touch$IFS" + marker + "$(touch");
  EXPECT_FALSE(std::filesystem::exists(marker));
}

// What the watcher keeps of the output: the first 32767 bytes of a flood it
// drains to the end, and the text before a zero byte.
TEST_F(PluginTest, OutputIsCutAtTheLimitAndAtAZeroByte) {
  for (auto [body, expected] : {std::pair<std::string, std::string>{"head -c 1000000 /dev/zero | tr '\\0' x", std::string(32767, 'x')},
                                {"printf 'a=1\\377\\000b=2'", "a=1\xff"}}) {
    ASSERT_TRUE(Run(Script("out", body), true) && Returned()) << body;
    EXPECT_EQ(plugin_.GetReturnValue(), expected) << body;
  }
}

TEST_F(PluginTest, AbandonedPluginIsKilledAfterTheGraceAndCollected) {
  ASSERT_TRUE(Run(Sleeper(), true));
  pid_t first = ReadPid(PidFile());
  ASSERT_GT(first, 0);
  EXPECT_FALSE(plugin_.HasReturned());
  // A new plug-in replaces the one still running.
  std::filesystem::remove(PidFile());
  ASSERT_TRUE(Run(Sleeper(), true));
  pid_t second = ReadPid(PidFile());
  EXPECT_TRUE(WaitUntil([&] { return ProcessGone(first); }) && !ProcessGone(second));
  plugin_.StopWatching();
  EXPECT_FALSE(plugin_.IsPluginRunning() || plugin_.HasReturned());
  EXPECT_TRUE(WaitUntil([&] { return ProcessGone(second); }));
}

TEST_F(PluginTest, FloodThatNeverEndsDoesNotHoldUpDestruction) {
  auto plugin = std::make_unique<Plugin>(kShortGraceMs);
  ASSERT_TRUE(plugin->Run(SplitCommandLine(Script("yes", "echo $$ > \"" + PidFile() + "\"\nexec yes")), true));
  pid_t pid = ReadPid(PidFile());
  std::this_thread::sleep_for(20ms);
  const auto start = std::chrono::steady_clock::now();
  plugin.reset();
  // Well short of the stop time-out a watcher stuck reading would cost.
  EXPECT_TRUE(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(LThread::kStopTimeoutMs / 2) &&
              WaitUntil([&] { return ProcessGone(pid); }));
}

// A plain program is started and forgotten (yet collected); one that cannot
// start fails either way.
TEST_F(PluginTest, PlainProgramIsStartedForgottenAndCollectedAndAMissingOneFails) {
  std::string done = dir_ / "done";
  ASSERT_TRUE(Run(Script("plain", "echo $$ > \"" + PidFile() + "\"\ntouch \"" + done + "\""), false));
  EXPECT_FALSE(plugin_.IsPluginRunning());
  pid_t pid = ReadPid(PidFile());
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(done) && ProcessGone(pid); }));
  EXPECT_FALSE(plugin_.HasReturned());
  const std::string missing = "\"" + (dir_ / "no such program") + "\"";
  std::ofstream(dir_ / "data.txt") << "a=1";
  EXPECT_FALSE(Run(missing, false));
  for (const std::string& line : {missing, std::string("zavotel-no-such-program-on-path"), std::string("   "), dir_ / "data.txt"})
    EXPECT_FALSE(Run(line, true) || plugin_.IsPluginRunning()) << line;
}

}  // namespace
