#include "ivrfile/IvrFolderFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Path.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "mail/LFileSearch.h"

namespace {

std::vector<std::string> Paths(const std::string& folder, std::string_view extension) {
  std::vector<std::string> paths;
  LFileSearch search(folder, [extension](std::string_view name) {
    return !name.starts_with('.') && MatchesWildcard(name, "", extension);
  });
  for (; search.IsValid(); search.Next()) paths.push_back(search.Path());
  return paths;
}

template <typename ByTitle>
int DeleteFiles(const std::string& folder, std::string_view extension, ByTitle doomed) {
  int deleted = 0;
  for (const std::string& path : Paths(folder, extension)) {
    if (!doomed(PathTitle(path))) continue;
    if (::unlink(path.c_str()) == 0) {
      ++deleted;
    } else {
      Trace("IVRFile unable to delete %s: %s", path.c_str(), std::strerror(errno));
    }
  }
  return deleted;
}

}  // namespace

std::vector<std::string> FolderTitles(const std::string& folder, std::string_view extension) {
  std::vector<std::string> titles;
  for (const std::string& path : Paths(folder, extension)) titles.push_back(PathTitle(path));
  std::sort(titles.begin(), titles.end());
  return titles;
}

int DeleteFilesNotKept(const std::string& folder, std::string_view extension,
                       const std::vector<std::string>& keep) {
  if (std::all_of(keep.begin(), keep.end(), [](const std::string& t) { return t.empty(); })) {
    return 0;
  }
  return DeleteFiles(folder, extension, [&keep](const std::string& title) {
    return std::none_of(keep.begin(), keep.end(),
                        [&title](const std::string& t) { return EqualIgnoringCase(t, title); });
  });
}

int DeleteAllFiles(const std::string& folder) {
  return DeleteFiles(folder, "", [](const std::string&) { return true; });
}

std::vector<std::string> FolderFilesStartingWith(const std::string& folder,
                                                 std::string_view prefix) {
  std::vector<std::string> paths;
  LFileSearch search(folder, [prefix](std::string_view name) {
    return MatchesWildcard(name, prefix, "");
  });
  for (; search.IsValid(); search.Next()) paths.push_back(search.Path());
  return paths;
}

std::vector<std::string> ProgramFileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const std::string& path : Paths(folder, "")) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0)
      names.push_back(PathFileName(path));
  }
  std::sort(names.begin(), names.end());
  return names;
}
