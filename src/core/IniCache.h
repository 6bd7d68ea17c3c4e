#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "core/IniFile.h"
#include "core/UniqueFd.h"

// Which version of a file was parsed: a parsed copy is reused only while the
// file at the path still has the same identity, size and modification time.
struct IniFileVersion {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  struct timespec modified = {};

  static IniFileVersion Of(const struct stat& st);
  bool operator==(const IniFileVersion& other) const;
};

// Parsed INI files by path, shared by all threads (mutex-protected).
//
// Each entry keeps its file open. A writer replaces a file by renaming a new
// one over it, and the file system hands the freed inode number to the next
// new file at once, so a replaced file and its successor can have the same
// inode, size and (coarse) modification time. While the old file is held
// open its inode number cannot be reused, which makes the identity check
// sound. The number of entries (and so of open files) is bounded.
class IniCache {
 public:
  IniCache() = default;
  IniCache(const IniCache&) = delete;
  IniCache& operator=(const IniCache&) = delete;

  // The parsed copy of `path` if it was parsed from `version`.
  std::shared_ptr<const IniFile> Find(const std::string& path, const IniFileVersion& version);
  void Store(const std::string& path, const IniFileVersion& version, UniqueFd file,
             std::shared_ptr<const IniFile> parsed);
  void Drop(const std::string& path);

 private:
  struct Entry {
    IniFileVersion version;
    UniqueFd file;
    std::shared_ptr<const IniFile> parsed;
    uint64_t lastUse = 0;
  };

  void EvictLeastRecentlyUsed();

  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  uint64_t useCounter_ = 0;
};
