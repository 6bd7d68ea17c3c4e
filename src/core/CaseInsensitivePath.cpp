#include "core/CaseInsensitivePath.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <memory>

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` equal to `name` without regard to case, or "".
std::string FindEntry(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                          ::closedir);
  if (!dir) return {};
  while (const dirent* entry = ::readdir(dir.get())) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0) return entry->d_name;
  }
  return {};
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
