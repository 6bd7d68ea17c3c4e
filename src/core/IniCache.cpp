#include "core/IniCache.h"

namespace {

// Enough for the settings file, the OGMs and mailboxes of a busy call, while
// keeping the open files few.
constexpr std::size_t kMaxEntries = 32;

}  // namespace

IniFileVersion IniFileVersion::Of(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool IniFileVersion::operator==(const IniFileVersion& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::shared_ptr<const IniFile> IniCache::Find(const std::string& path,
                                              const IniFileVersion& version) {
  std::lock_guard lock(mutex_);
  auto found = entries_.find(path);
  if (found == entries_.end() || !(found->second.version == version)) return nullptr;
  found->second.lastUse = ++useCounter_;
  return found->second.parsed;
}

void IniCache::Store(const std::string& path, const IniFileVersion& version, UniqueFd file,
                     std::shared_ptr<const IniFile> parsed) {
  std::lock_guard lock(mutex_);
  if (!entries_.contains(path) && entries_.size() >= kMaxEntries) EvictLeastRecentlyUsed();
  Entry& entry = entries_[path];
  entry.version = version;
  entry.file = std::move(file);
  entry.parsed = std::move(parsed);
  entry.lastUse = ++useCounter_;
}

void IniCache::Drop(const std::string& path) {
  std::lock_guard lock(mutex_);
  entries_.erase(path);
}

void IniCache::EvictLeastRecentlyUsed() {
  auto oldest = entries_.begin();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->second.lastUse < oldest->second.lastUse) oldest = it;
  }
  if (oldest != entries_.end()) entries_.erase(oldest);
}
