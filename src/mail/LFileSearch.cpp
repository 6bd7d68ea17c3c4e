#include "mail/LFileSearch.h"

#include "core/Path.h"
#include "core/TextCompare.h"

LFileSearch::LFileSearch(std::string folder, Match match)
    : folder_(std::move(folder)), match_(std::move(match)) {
  // No folder is no search, never the working directory.
  if (!folder_.empty() && folder_.size() < kMaxText) dir_.reset(::opendir(folder_.c_str()));
  Next();
}

void LFileSearch::Next() {
  path_.clear();
  while (dir_) {
    const dirent* entry = ::readdir(dir_.get());
    if (!entry) {
      dir_.reset();
      return;
    }
    std::string_view name = entry->d_name;
    if (entry->d_type == DT_DIR || !match_(name)) continue;
    std::string path = PathJoin(folder_, name);
    if (PathFileName(path) != name) continue;  // cut: it would name another file
    path_ = std::move(path);
    return;
  }
}

bool MatchesWildcard(std::string_view name, std::string_view prefix, std::string_view suffix) {
  return name.size() >= prefix.size() + suffix.size() &&
         EqualIgnoringCase(name.substr(0, prefix.size()), prefix) &&
         EqualIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}
