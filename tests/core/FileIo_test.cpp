#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "core/FileIo.h"
#include "support/TempDir.h"

namespace {

struct stat StatOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info;
}

std::size_t FilesIn(const TempDir& dir) {
  const std::filesystem::directory_iterator files(dir.Path());
  return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

}  // namespace

// The target is checked after the swap, so a file that arrives at any
// moment after it was looked at stays, and no staging file is left behind.
TEST(MoveFileOverIfUnchanged, MovesOnlyOverTheFileItWasToldOf) {
  using enum MoveOverResult;
  TempDir dir;
  const std::string from = dir / "levelled", to = dir / "prompt.wav", next = dir / "next";
  const struct { const char* what; std::function<void()> change; MoveOverResult result; const char* text; } rows[] = {
      {"unchanged", [] {}, kMoved, "levelled"},
      {"replaced", [&] { std::filesystem::rename(next, to); }, kChanged, "imported"},
      {"rewritten", [&] { std::ofstream(to) << "rewritten"; }, kChanged, "rewritten"},
      {"deleted", [&] { std::filesystem::remove(to); }, kChanged, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(ReplaceFileText(to, "recorded") && ReplaceFileText(from, "levelled") &&
                ReplaceFileText(next, "imported"));
    const struct stat read = StatOf(to);
    row.change();
    EXPECT_EQ(MoveFileOverIfUnchanged(from, to, read), row.result);
    EXPECT_EQ(FileText(to), row.text);
    EXPECT_FALSE(std::filesystem::exists(from));
    std::filesystem::remove(next);
    EXPECT_EQ(FilesIn(dir), std::filesystem::exists(to) ? 1u : 0u);
  }
}
