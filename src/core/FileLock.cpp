#include "core/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Each retry means another writer replaced the file in between; this many in
// a row only happens when something outside the store keeps swapping it.
constexpr int kMaxAttempts = 1000;

int LockExclusive(int fd) {
  int result;
  do {
    result = ::flock(fd, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

bool FileLock::Acquire() {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    if (!OpenOrCreate()) return false;
    if (LockExclusive(fd_.Get()) != 0) return false;
    if (LockedFileIsAtPath()) return true;
    fd_.Reset();
    created_ = false;
  }
  errno = EAGAIN;
  return false;
}

bool FileLock::OpenOrCreate() {
  for (;;) {
    fd_.Reset(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd_.Valid()) return true;
    if (errno != ENOENT || !create_) return false;
    // The data folder holds passwords: files start readable by the owner only.
    fd_.Reset(::open(path_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd_.Valid()) {
      created_ = true;
      return true;
    }
    if (errno != EEXIST) return false;
  }
}

bool FileLock::LockedFileIsAtPath() const {
  struct stat locked;
  struct stat atPath;
  if (::fstat(fd_.Get(), &locked) != 0 || ::stat(path_.c_str(), &atPath) != 0) return false;
  return locked.st_dev == atPath.st_dev && locked.st_ino == atPath.st_ino;
}

void FileLock::DiscardCreated() {
  if (created_) ::unlink(path_.c_str());
  created_ = false;
}
