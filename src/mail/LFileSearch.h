#pragma once

#include <dirent.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

// A directory search over the files of one folder whose names pass a test,
// in directory order. The search handle is open while the search is valid and
// closed as soon as it runs out. Folders and names whose full path would be
// longer than 259 characters are left out.
class LFileSearch {
 public:
  using Match = std::function<bool(std::string_view name)>;

  // An empty, missing or unreadable folder gives an exhausted search.
  LFileSearch(std::string folder, Match match);
  LFileSearch(const LFileSearch&) = delete;
  LFileSearch& operator=(const LFileSearch&) = delete;

  bool IsValid() const { return dir_ != nullptr; }
  // The full path of the current file; "" when exhausted.
  const std::string& Path() const { return path_; }
  void Next();

 private:
  struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };

  std::string folder_;
  Match match_;
  std::unique_ptr<DIR, CloseDir> dir_;
  std::string path_;
};

// Whether `name` starts with `prefix` and ends with `suffix`, both compared
// without case, with nothing shared between them: "<prefix>*<suffix>".
bool MatchesWildcard(std::string_view name, std::string_view prefix, std::string_view suffix);
