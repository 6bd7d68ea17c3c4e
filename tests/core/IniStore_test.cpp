#include "core/IniStore.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace {

std::string ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes a file the way another program would: a new file renamed over the
// old one, optionally with a given modification time.
void ReplaceRaw(const std::string& path, const std::string& text,
                const struct timespec* modified = nullptr) {
  std::string temp = path + ".other";
  std::ofstream(temp, std::ios::binary) << text;
  if (modified) {
    struct timespec times[2] = {*modified, *modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, temp.c_str(), times, 0), 0);
  }
  ASSERT_EQ(::rename(temp.c_str(), path.c_str()), 0);
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st;
}

// Runs `body` in a child process and returns its exit status.
int InChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniStoreRead, MissingFileOrFolderReadsAsNothing) {
  TempDir dir;
  EXPECT_EQ(IniRead(dir / "none.ini", "s", "k"), std::nullopt);
  std::ofstream(dir / "plain") << "x";
  EXPECT_EQ(IniRead(dir / "plain/x.ini", "s", "k"), std::nullopt);
}

TEST(IniStoreWrite, NewFilesAreOwnerOnlyAndExistingModesStay) {
  TempDir dir;
  std::string path = dir / "s.ini";
  ASSERT_TRUE(IniWrite(path, "s", "k", "1"));
  EXPECT_EQ(StatOf(path).st_mode & 07777, 0600u);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(IniWrite(path, "s", "k", "2"));
  EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
  EXPECT_EQ(ReadRaw(path), "[s]\nk=2\n");
  ASSERT_TRUE(IniWrite(path, "s", "k", std::nullopt));
  EXPECT_EQ(ReadRaw(path), "[s]\n");
  ASSERT_TRUE(IniWrite(path, "s", std::nullopt, std::nullopt));
  EXPECT_EQ(ReadRaw(path), "");
  EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"s.ini"});
}

TEST(IniStoreWrite, NothingIsCreatedWhenNothingIsWritten) {
  TempDir dir;
  EXPECT_TRUE(IniWrite(dir / "a.ini", "s", "k", std::nullopt));
  EXPECT_FALSE(IniWrite(dir / "b.ini", "s", "bad=key", "v"));
  EXPECT_TRUE(FileNames(dir.Path()).empty());
}

TEST(IniStoreWrite, FailedWritesKeepTheOldFile) {
  TempDir dir;
  std::ofstream(dir / "plain") << "x";
  EXPECT_FALSE(IniWrite(dir / "plain/s.ini", "s", "k", "v"));

  std::string path = dir / "s.ini";
  ASSERT_TRUE(IniWrite(path, "s", "k", "old"));
  // A folder where the temporary file goes makes every write fail.
  std::filesystem::create_directories(dir / ".s.ini.tmp/sub");
  std::filesystem::create_directories(dir / ".new.ini.tmp/sub");
  EXPECT_FALSE(IniWrite(path, "s", "k", "new"));
  EXPECT_EQ(ReadRaw(path), "[s]\nk=old\n");
  EXPECT_EQ(IniRead(path, "s", "k"), "old");
  EXPECT_FALSE(IniWrite(dir / "new.ini", "s", "k", "v"));
  EXPECT_FALSE(std::filesystem::exists(dir / "new.ini"));
}

TEST(IniStoreWrite, DiskFullKeepsTheOldFileAndRemovesTheTemporary) {
  TempDir dir;
  std::string path = dir / "s.ini";
  ASSERT_TRUE(IniWrite(path, "s", "k", "old"));
  int result = InChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return IniWrite(path, "s", "k", std::string(10000, 'x')) ? 1 : 0;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadRaw(path), "[s]\nk=old\n");
  EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"s.ini"});
}

TEST(IniStoreWrite, RemovesATemporaryLeftByAKilledWriter) {
  TempDir dir;
  std::ofstream(dir / ".s.ini.tmp") << "[s]\nk=half";
  ASSERT_TRUE(IniWrite(dir / "s.ini", "s", "k", "whole"));
  EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"s.ini"});
  EXPECT_EQ(ReadRaw(dir / "s.ini"), "[s]\nk=whole\n");
}

TEST(IniStoreConcurrency, TwoProcessesWritingAtOnceLoseNoKey) {
  TempDir dir;
  std::string path = dir / "shared.ini";
  constexpr int kKeys = 150;
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    pid_t pid = ::fork();
    if (pid == 0) {
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "p" + std::to_string(p) + "k" + std::to_string(k);
        if (!IniWrite(path, "s", key, std::to_string(k))) ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  IniFile file(ReadRaw(path));
  for (int p = 0; p < 2; ++p) {
    for (int k = 0; k < kKeys; ++k) {
      std::string key = "p" + std::to_string(p) + "k" + std::to_string(k);
      EXPECT_EQ(file.Find("s", key), std::to_string(k)) << key;
    }
  }
}

TEST(IniStoreConcurrency, ThreadsWritingAtOnceLoseNoKey) {
  TempDir dir;
  std::string path = dir / "shared.ini";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&path, t] {
      for (int k = 0; k < 40; ++k) {
        std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
        EXPECT_TRUE(IniWrite(path, "s", key, key));
        EXPECT_EQ(IniRead(path, "s", key), key);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  IniFile file(ReadRaw(path));
  for (int t = 0; t < 4; ++t) {
    for (int k = 0; k < 40; ++k) {
      std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
      EXPECT_EQ(file.Find("s", key), key);
    }
  }
}

// Version i of a big file: its value says its own length.
std::string BigValue(int i) {
  std::size_t length = 20000 + static_cast<std::size_t>(i) * 7919 % 60000;
  return std::to_string(length) + ":" + std::string(length, static_cast<char>('a' + i % 26));
}

bool IsCompleteVersion(const std::string& text) {
  IniFile file(text);
  std::optional<std::string_view> value = file.Find("s", "v");
  if (!value) return false;
  std::size_t colon = value->find(':');
  std::string_view body = value->substr(colon + 1);
  return text == "[s]\nv=" + std::string(*value) + "\n" &&
         std::stoul(std::string(value->substr(0, colon))) == body.size() &&
         body.find_first_not_of(body.front()) == std::string_view::npos;
}

TEST(IniStoreAtomicity, AKilledWriterLeavesTheOldOrTheNewFile) {
  TempDir dir;
  std::string path = dir / "big.ini";
  ASSERT_TRUE(IniWrite(path, "s", "v", BigValue(0)));
  std::mt19937 random(7);
  for (int round = 0; round < 15; ++round) {
    pid_t pid = ::fork();
    if (pid == 0) {
      for (int i = 1;; ++i) IniWrite(path, "s", "v", BigValue(round * 1000 + i));
    }
    auto killAt = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 20000);
    bool complete = true;
    while (complete && std::chrono::steady_clock::now() < killAt) {
      complete = IsCompleteVersion(ReadRaw(path));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_TRUE(complete);
    ASSERT_TRUE(IsCompleteVersion(ReadRaw(path)));
    for (const std::string& name : FileNames(dir.Path())) {
      EXPECT_TRUE(name == "big.ini" || name == ".big.ini.tmp") << name;
    }
  }
  ASSERT_TRUE(IniWrite(path, "s", "v", BigValue(1)));
  EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"big.ini"});
}

TEST(IniStoreCache, SeesEveryWriteOfAnotherProcess) {
  TempDir dir;
  std::string path = dir / "s.ini";
  for (int i = 0; i < 20; ++i) {
    // Same length each time, and usually within one tick of the clock.
    std::string value = std::to_string(1000 + i);
    ASSERT_EQ(InChild([&] { return IniWrite(path, "s", "k", value) ? 0 : 1; }), 0);
    EXPECT_EQ(IniRead(path, "s", "k"), value);
  }
}

TEST(IniStoreCache, SeesAnInPlaceEditOfTheSameSizeWithinTheSameSecond) {
  TempDir dir;
  std::string path = dir / "s.ini";
  struct timespec first = {1700000000, 100};
  ReplaceRaw(path, "[s]\nk=1\n", &first);
  ASSERT_EQ(IniRead(path, "s", "k"), "1");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "[s]\nk=2\n";
  struct timespec second = {1700000000, 200};
  struct timespec times[2] = {second, second};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(IniRead(path, "s", "k"), "2");
}

TEST(IniStoreCache, SeesAReplacementWithTheSameSizeAndTime) {
  TempDir dir;
  std::string path = dir / "s.ini";
  struct timespec same = {1700000000, 0};
  ReplaceRaw(path, "[s]\nk=A\n", &same);
  ASSERT_EQ(IniRead(path, "s", "k"), "A");
  // The file system reuses freed inode numbers at once; two replacements
  // would hand "C" the inode of "A" if the cache did not keep "A" open.
  ReplaceRaw(path, "[s]\nk=B\n", &same);
  ReplaceRaw(path, "[s]\nk=C\n", &same);
  EXPECT_EQ(IniRead(path, "s", "k"), "C");
}

TEST(IniStoreCache, FlushForgetsTheCachedCopy) {
  TempDir dir;
  std::string path = dir / "s.ini";
  ASSERT_TRUE(IniWrite(path, "s", "k", "1"));
  struct stat before = StatOf(path);
  // An edit that keeps inode, size and time is invisible until the flush.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "[s]\nk=2\n";
  struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(IniRead(path, "s", "k"), "1");
  IniFlush(path);
  EXPECT_EQ(IniRead(path, "s", "k"), "2");
}

}  // namespace
