#include "plugins/Plugin.h"

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

namespace {

using namespace std::chrono_literals;
constexpr int kShortGraceMs = 100;

bool WaitUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + 3s;
  while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
  return done();
}

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
  std::string PidFile() const { return dir_ / "pid"; }
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
  ASSERT_TRUE(plugin_.Run(Script("p", "printf 'a=1&b=two+words'"), true));
  EXPECT_TRUE(plugin_.IsPluginRunning());
  ASSERT_TRUE(WaitUntil([&] { return plugin_.HasReturned(); }));
  EXPECT_EQ(plugin_.GetReturnValue(), "a=1&b=two+words");
  plugin_.StopWatching();
  EXPECT_FALSE(plugin_.IsPluginRunning());
  EXPECT_EQ(plugin_.GetReturnValue(), "a=1&b=two+words");
  // A new run clears what the last one returned.
  ASSERT_TRUE(plugin_.Run(Script("e", "exit 3"), true));
  EXPECT_EQ(plugin_.GetReturnValue(), "");
  ASSERT_TRUE(WaitUntil([&] { return plugin_.HasReturned(); }));
  EXPECT_EQ(plugin_.GetReturnValue(), "");  // empty output still returns
}

TEST_F(PluginTest, ArgumentsArriveAsWrittenWithoutAShell) {
  std::string marker = dir_ / "pwned";
  std::string line = Script("args", "printf 'n=%s&1=%s&2=%s' \"$#\" \"$1\" \"$2\"") +
                     " \"two words\" 1;touch$IFS" + marker + "$(touch " + marker + ")";
  ASSERT_TRUE(plugin_.Run(line, true));
  ASSERT_TRUE(WaitUntil([&] { return plugin_.HasReturned(); }));
  EXPECT_EQ(plugin_.GetReturnValue(), "n=3&1=two words&2=1;touch$IFS" + marker + "$(touch");
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(PluginTest, FloodIsDrainedAndCutAtTheLimit) {
  ASSERT_TRUE(plugin_.Run(Script("flood", "head -c 1000000 /dev/zero | tr '\\0' x"), true));
  ASSERT_TRUE(WaitUntil([&] { return plugin_.HasReturned(); }));
  EXPECT_EQ(plugin_.GetReturnValue(), std::string(32767, 'x'));
}

TEST_F(PluginTest, GarbageAndZeroBytesEndTheText) {
  ASSERT_TRUE(plugin_.Run(Script("bin", "printf 'a=1\\377\\000b=2'"), true));
  ASSERT_TRUE(WaitUntil([&] { return plugin_.HasReturned(); }));
  EXPECT_EQ(plugin_.GetReturnValue(), "a=1\xff");
}

TEST_F(PluginTest, ReturnsWhenTheProgramEndsEvenIfADescendantHoldsTheOutput) {
  std::string child = dir_ / "child";
  ASSERT_TRUE(
      plugin_.Run(Script("bg", "sleep 30 &\necho $! > \"" + child + "\"\nprintf 'a=1'"), true));
  EXPECT_TRUE(WaitUntil([&] { return plugin_.HasReturned(); }));
  EXPECT_EQ(plugin_.GetReturnValue(), "a=1");
  ::kill(ReadPid(child), SIGKILL);
}

TEST_F(PluginTest, AbandonedPluginIsKilledAfterTheGraceAndCollected) {
  ASSERT_TRUE(plugin_.Run(Sleeper(), true));
  pid_t first = ReadPid(PidFile());
  ASSERT_GT(first, 0);
  EXPECT_FALSE(plugin_.HasReturned());
  // A new plug-in replaces the one still running.
  std::filesystem::remove(PidFile());
  ASSERT_TRUE(plugin_.Run(Sleeper(), true));
  pid_t second = ReadPid(PidFile());
  EXPECT_TRUE(WaitUntil([&] { return ProcessGone(first); }));
  EXPECT_FALSE(ProcessGone(second));
  plugin_.StopWatching();
  EXPECT_FALSE(plugin_.IsPluginRunning());
  EXPECT_FALSE(plugin_.HasReturned());
  EXPECT_TRUE(WaitUntil([&] { return ProcessGone(second); }));
}

TEST_F(PluginTest, FloodThatNeverEndsDoesNotHoldUpDestruction) {
  auto plugin = std::make_unique<Plugin>(kShortGraceMs);
  ASSERT_TRUE(plugin->Run(Script("yes", "echo $$ > \"" + PidFile() + "\"\nexec yes"), true));
  pid_t pid = ReadPid(PidFile());
  std::this_thread::sleep_for(20ms);
  const auto start = std::chrono::steady_clock::now();
  plugin.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(WaitUntil([&] { return ProcessGone(pid); }));
}

TEST_F(PluginTest, PlainProgramIsStartedForgottenAndCollected) {
  std::string done = dir_ / "done";
  ASSERT_TRUE(plugin_.Run(
      Script("plain", "echo $$ > \"" + PidFile() + "\"\ntouch \"" + done + "\""), false));
  EXPECT_FALSE(plugin_.IsPluginRunning());
  pid_t pid = ReadPid(PidFile());
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(done); }));
  EXPECT_TRUE(WaitUntil([&] { return ProcessGone(pid); }));
  EXPECT_FALSE(plugin_.HasReturned());
}

TEST_F(PluginTest, MissingProgramFailsToStart) {
  std::string missing = "\"" + (dir_ / "no such program") + "\"";
  EXPECT_FALSE(plugin_.Run(missing, true));
  EXPECT_FALSE(plugin_.IsPluginRunning());
  EXPECT_FALSE(plugin_.Run(missing, false));
  EXPECT_FALSE(plugin_.Run("zavotel-no-such-program-on-path", true));
  EXPECT_FALSE(plugin_.Run("   ", true));
  std::string notExecutable = dir_ / "data.txt";
  std::ofstream(notExecutable) << "a=1";
  EXPECT_FALSE(plugin_.Run(notExecutable, true));
}

}  // namespace
