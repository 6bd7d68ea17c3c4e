#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "core/FileIo.h"

// A file's whole text ("" when it cannot be read), through the project's reader.
inline std::string FileText(const std::string& path) { return ReadFileText(path, 1 << 28).value_or(""); }

// A fresh folder under $TMPDIR, removed with everything in it at scope end.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zavotel-test-XXXXXX";
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points $TMPDIR at `folder` while it lives, so a test sees every temporary
// file the code under test makes.
struct TmpDirScope {
  explicit TmpDirScope(const std::string& folder) { ::setenv("TMPDIR", folder.c_str(), 1); }
  ~TmpDirScope() { old ? ::setenv("TMPDIR", old->c_str(), 1) : ::unsetenv("TMPDIR"); }
  std::optional<std::string> old = std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
};
