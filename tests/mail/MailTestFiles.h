#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "audio/LProgress.h"
#include "core/Profile.h"
#include "plugins/ChildProcess.h"
#include "support/TempDir.h"

// What the mail tests share: file helpers, a progress that stops at a set
// moment and the loopback servers of tests/support.
using Names = std::vector<std::string>;

inline void WriteTextFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

inline bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

// A stored INI value, "<missing>" when there is none.
inline std::string Stored(const std::string& file, const char* section, const char* key) {
  return ProfileReadString(file, section, key, "<missing>");
}

// Several stored values joined by "|", to compare in one assertion.
inline std::string Stored(const std::string& file, const char* section, std::initializer_list<const char*> keys) {
  std::string values;
  for (const char* key : keys) values += (values.empty() ? "" : "|") + Stored(file, section, key);
  return values;
}

// What a busy machine may add to a slice before a stop request is seen.
constexpr long long kStopMarginMs = 500;

// Keeps the last fraction and asks to stop from `stopAt` on.
class TestProgress final : public LProgress {
 public:
  using Clock = std::chrono::steady_clock;
  void SetText(int, std::string_view) override {}
  void SetProgress(double value) override { fraction = value; }
  bool IsCancelled() override { return Clock::now() >= stopAt; }
  void StopIn(int ms) { stopAt = Clock::now() + std::chrono::milliseconds(ms); }
  long long MsSinceStop() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stopAt).count();
  }

  double fraction = -1;
  Clock::time_point stopAt = Clock::time_point::max();
};

// A server script of tests/support run as `python3 script options` (split
// at spaces) until the object goes; it prints "PORT <n>" once it listens.
class TestServer {
 public:
  TestServer(const std::string& script, const std::string& options) {
    std::vector<std::string> argv = {"/usr/bin/python3", std::string(ZAVOTEL_TEST_SUPPORT_DIR) + "/" + script};
    std::istringstream words(options);
    for (std::string word; words >> word;) argv.push_back(word);
    int out[2];
    if (::pipe(out) != 0) return;
    child_ = ChildProcess::Start(argv, out[1]);
    ::close(out[1]);
    std::FILE* said = ::fdopen(out[0], "r");
    if (std::fscanf(said, "PORT %d", &port_) != 1) port_ = 0;
    std::fclose(said);
  }
  ~TestServer() { ChildProcess::Release(std::move(child_), 0); }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  bool Running() const { return port_ > 0; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  std::unique_ptr<ChildProcess> child_;
  int port_ = 0;
};
