#include "mail/MailFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

MoveResult Failed(const char* what, const std::string& from, const std::string& to) {
  Trace("%s \"%s\" to \"%s\" FAILED: %s", what, from.c_str(), to.c_str(), std::strerror(errno));
  return MoveResult::kFailed;
}

// For file systems without an atomic no-replace rename: a hard link claims
// the new name or fails because it is taken.
MoveResult MoveByLink(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return MoveResult::kTargetExists;
    return Failed("MoveNoReplace link", from, to);
  }
  if (::unlink(from.c_str()) != 0) {
    int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return Failed("MoveNoReplace unlink", from, to);
  }
  return MoveResult::kMoved;
}

bool ReadWhole(const std::string& path, std::string& text) {
  std::optional<std::string> read = ReadFileText(path, SIZE_MAX);
  if (!read) return false;
  text = std::move(*read);
  return true;
}

}  // namespace

bool ExistsIgnoringCase(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(ResolveCaseInsensitive(path).c_str(), &st) == 0;
}

void RemoveIgnoringCase(const std::string& path) {
  if (path.empty()) return;
  std::string actual = ResolveCaseInsensitive(path);
  if (::unlink(actual.c_str()) != 0 && errno != ENOENT) {
    Trace("RemoveIgnoringCase \"%s\" FAILED: %s", actual.c_str(), std::strerror(errno));
  }
}

MoveResult MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return MoveResult::kMoved;
  }
  if (errno == EEXIST) return MoveResult::kTargetExists;
  if (errno == EINVAL || errno == ENOSYS) return MoveByLink(from, to);
  return Failed("MoveNoReplace", from, to);
}

MoveResult CopyNoReplace(const std::string& from, const std::string& to) {
  std::string text;
  if (!ReadWhole(from, text)) return Failed("CopyNoReplace read", from, to);
  // The copy is written under a hidden name in the same folder and then
  // claims its name in one step, so nobody reads half a file.
  std::string temp = PathJoin(PathFolder(to), "." + PathFileName(to) + ".XXXXXX");
  UniqueFd fd(::mkstemp(temp.data()));
  if (!fd.Valid()) return Failed("CopyNoReplace create", temp, to);
  bool written = WriteFully(fd.Get(), text);
  fd.Reset();
  MoveResult result = written ? MoveNoReplace(temp, to) : Failed("CopyNoReplace write", from, to);
  if (result != MoveResult::kMoved) ::unlink(temp.c_str());
  return result;
}
