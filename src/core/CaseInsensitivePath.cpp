#include "core/CaseInsensitivePath.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/Path.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The first entry of `folder` that `matches`, or "".
template <class Match>
std::string FindEntry(const std::string& folder, Match matches) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                          ::closedir);
  if (!dir) return {};
  while (const dirent* entry = ::readdir(dir.get())) {
    if (matches(entry->d_name)) return entry->d_name;
  }
  return {};
}

// The entry of `folder` equal to `name` without regard to case, or "".
std::string FindEntry(const std::string& folder, const std::string& name) {
  return FindEntry(folder, [&](const char* entry) { return ::strcasecmp(entry, name.c_str()) == 0; });
}

}  // namespace

std::string ResolveCaseInsensitive(std::string_view path) {
  std::string asWritten(path);
  if (asWritten.empty() || Exists(asWritten)) return asWritten;

  size_t slash = asWritten.find_last_of('/');
  if (slash == std::string::npos) {
    std::string match = FindEntry("", asWritten);
    return match.empty() ? asWritten : match;
  }
  std::string name = asWritten.substr(slash + 1);
  std::string folder = slash == 0 ? "/" : ResolveCaseInsensitive(asWritten.substr(0, slash));
  std::string match = name.empty() ? std::string() : FindEntry(folder, name);
  std::string prefix = folder == "/" ? folder : folder + "/";
  return prefix + (match.empty() ? name : match);
}

bool FolderHoldsIgnoringCase(const std::string& folder, std::initializer_list<std::string_view> names) {
  const std::string actual = ResolveCaseInsensitive(folder);
  std::vector<std::string> wanted(names.begin(), names.end());
  for (const std::string& name : wanted) {
    if (Exists(PathJoin(actual, name))) return true;
  }
  const auto isWanted = [&](const char* entry) {
    return std::any_of(wanted.begin(), wanted.end(),
                       [&](const std::string& name) { return ::strcasecmp(entry, name.c_str()) == 0; });
  };
  return !FindEntry(actual, isWanted).empty();
}
