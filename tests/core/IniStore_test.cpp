#include "core/IniStore.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

#include "core/FileIo.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

long Entries(const TempDir& dir) {
  return std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator());
}

pid_t Fork(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0), WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(IniStoreWrite, NewFilesAreOwnerOnlyExistingModesStayAndNullsDelete) {
  TempDir dir;
  const std::string path = dir / "s.ini";
  EXPECT_EQ(IniRead(path, "s", "k"), std::nullopt);
  // A deletion creates nothing.
  EXPECT_TRUE(IniWrite(path, "s", "k", std::nullopt) && !IniWrite(path, "s", "bad=key", "v") && Entries(dir) == 0);
  EXPECT_TRUE(IniWrite(path, "s", "k", "1") && fs::status(path).permissions() == fs::perms(0600));
  fs::permissions(path, fs::perms(0640));
  EXPECT_TRUE(IniWrite(path, "s", "k", "2") && fs::status(path).permissions() == fs::perms(0640));
  EXPECT_EQ(FileText(path), "[s]\nk=2\n");
  EXPECT_TRUE(IniWrite(path, "s", "k", std::nullopt) && FileText(path) == "[s]\n");
  EXPECT_TRUE(IniWrite(path, "s", std::nullopt, std::nullopt) && FileText(path).empty() && Entries(dir) == 1);
}

TEST(IniStoreWrite, FailedWritesKeepTheOldFile) {
  TempDir dir;
  std::ofstream(dir / "plain") << "x";
  EXPECT_FALSE(IniRead(dir / "plain/s.ini", "s", "k") || IniWrite(dir / "plain/s.ini", "s", "k", "v"));

  // A temporary file left by a killed writer is removed by the next write.
  const std::string path = dir / "s.ini";
  std::ofstream(dir / ".s.ini.tmp") << "[s]\nk=half";
  ASSERT_TRUE(IniWrite(path, "s", "k", "old"));
  // The file size limit stands in for a full disk.
  const pid_t writer = Fork([&] {
    const rlimit limit = {4096, 4096};
    std::signal(SIGXFSZ, SIG_IGN), ::setrlimit(RLIMIT_FSIZE, &limit);
    return IniWrite(path, "s", "k", std::string(10000, 'x')) ? 1 : 0;
  });
  EXPECT_TRUE(ExitCode(writer) == 0 && Entries(dir) == 2);
  // A folder where the temporary file goes makes every write fail.
  fs::create_directories(dir / ".s.ini.tmp/sub");
  fs::create_directories(dir / ".new.ini.tmp/sub");
  EXPECT_FALSE(IniWrite(path, "s", "k", "new") || IniWrite(dir / "new.ini", "s", "k", "v"));
  EXPECT_TRUE(FileText(path) == "[s]\nk=old\n" && IniRead(path, "s", "k") == "old" && !fs::exists(dir / "new.ini"));
}

TEST(IniStoreConcurrency, TwoProcessesOfTwoThreadsEachLoseNoKeyAndTheCacheSeesThem) {
  TempDir dir;
  const std::string path = dir / "shared.ini";
  auto key = [](int writer, int k) { return std::to_string(writer) + "k" + std::to_string(k); };
  ASSERT_TRUE(IniWrite(path, "s", "parent", "1"));  // cached here, then changed by the children
  auto child = [&](int p) {
    return Fork([&, p] {
      std::atomic<bool> ok{true};
      auto write = [&](int writer) {
        for (int k = 0; k < 60; ++k)
          if (!IniWrite(path, "s", key(writer, k), key(writer, k)) ||
              IniRead(path, "s", key(writer, k)) != key(writer, k))
            ok = false;
      };
      std::thread first(write, 2 * p), second(write, 2 * p + 1);
      first.join(), second.join();
      return ok ? 0 : 1;
    });
  };
  const pid_t first = child(0), second = child(1);
  EXPECT_TRUE(ExitCode(first) == 0 && ExitCode(second) == 0);
  for (int writer = 0; writer < 4; ++writer)
    for (int k = 0; k < 60; ++k) EXPECT_EQ(IniRead(path, "s", key(writer, k)), key(writer, k));
}

// Version i of a big file, told from part of one by its number and length.
std::string BigValue(int i) {
  return std::to_string(i) + std::string(20000 + i * 7919 % 60000, 'x');
}

bool IsWhole(const std::string& text) {
  return text.size() > 6 && text == "[s]\nv=" + BigValue(std::atoi(text.c_str() + 6)) + "\n";
}

TEST(IniStoreAtomicity, AKilledWriterLeavesTheOldOrTheNewFile) {
  TempDir dir;
  const std::string path = dir / "big.ini";
  ASSERT_TRUE(IniWrite(path, "s", "v", BigValue(0)));
  std::mt19937 random(7);
  for (int round = 0; round < 15; ++round) {
    const pid_t pid = Fork([&]() -> int {
      for (int i = 1;; ++i) IniWrite(path, "s", "v", BigValue(round * 1000 + i));
    });
    const auto killAt = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 20000);
    bool whole = true;
    while (whole && std::chrono::steady_clock::now() < killAt) whole = IsWhole(FileText(path));
    ::kill(pid, SIGKILL), ExitCode(pid);
    ASSERT_TRUE(whole && IsWhole(FileText(path))) << round;
  }
  EXPECT_TRUE(IniWrite(path, "s", "v", BigValue(1)) && Entries(dir) == 1);
}

// Writes `text` as another program would: a new file renamed over the old one.
void Replace(const std::string& path, const std::string& text, const timespec (&times)[2]) {
  std::ofstream(path + ".new", std::ios::binary) << text;
  ASSERT_EQ(::utimensat(AT_FDCWD, (path + ".new").c_str(), times, 0), 0);
  ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
}

TEST(IniStoreCache, SeesSameSizeEditsWithinOneSecondAndForgetsOnFlush) {
  TempDir dir;
  const std::string path = dir / "s.ini";
  const timespec same[2] = {{1700000000, 0}, {1700000000, 0}};
  // The file system reuses freed inode numbers at once; two replacements
  // would hand "C" the inode of "A" if the cache did not keep "A" open.
  Replace(path, "[s]\nk=A\n", same);
  ASSERT_EQ(IniRead(path, "s", "k"), "A");
  Replace(path, "[s]\nk=B\n", same), Replace(path, "[s]\nk=C\n", same);
  EXPECT_EQ(IniRead(path, "s", "k"), "C");

  // Rewritten in place, only the nanoseconds of the time differ; an edit
  // that keeps inode, size and time is invisible until the flush.
  const timespec later[2] = {{1700000000, 200}, {1700000000, 200}};
  std::string seen;
  for (const char* value : {"D", "E"}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "[s]\nk=" << value << "\n";
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    seen += IniRead(path, "s", "k").value_or("-");
  }
  IniFlush(path);
  EXPECT_EQ(seen + IniRead(path, "s", "k").value_or("-"), "DDE");
}

}  // namespace
