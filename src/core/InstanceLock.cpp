#include "core/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"

InstanceLock::InstanceLock(std::string dataRoot)
    : path_(PathJoin(dataRoot, kFileName)) {}

InstanceLock::Result InstanceLock::TryTake() {
  if (fd_.Valid()) return Result::kTaken;
  UniqueFd fd(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd.Valid()) {
    Trace("InstanceLock open %s FAILED: %s", path_.c_str(), std::strerror(errno));
    return Result::kFailed;
  }
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return Result::kBusy;
    Trace("InstanceLock flock %s FAILED: %s", path_.c_str(), std::strerror(errno));
    return Result::kFailed;
  }
  char byte = 0;
  lastEndedInOrder_ = ::pread(fd.Get(), &byte, 1, 0) <= 0;
  if (::ftruncate(fd.Get(), 0) == 0) WriteFully(fd.Get(), std::to_string(::getpid()) + "\n");
  fd_ = std::move(fd);
  return Result::kTaken;
}

InstanceLock::~InstanceLock() {
  if (fd_.Valid() && ::ftruncate(fd_.Get(), 0) != 0) Trace("InstanceLock could not empty %s", path_.c_str());
}
