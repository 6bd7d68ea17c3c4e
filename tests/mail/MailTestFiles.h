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
#include "support/TempDir.h"
#include "support/TestServer.h"

// What the mail tests share: file helpers, a progress that stops at a set
// moment and the loopback servers of tests/support (support/TestServer.h).
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
