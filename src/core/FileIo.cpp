#include "core/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "core/Path.h"
#include "core/UniqueFd.h"

namespace {

// Calls `readSome(done)` until `size` bytes arrived, the file ends or a read
// fails, resuming after signals; returns the bytes that arrived.
template <class ReadSome>
std::size_t ReadLoop(std::size_t size, ReadSome readSome) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = readSome(done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::atomic<WriteCall> writeCall{&::write};

}  // namespace

WriteCall ReplaceWriteCall(WriteCall call) { return writeCall.exchange(call); }

bool WriteFully(int fd, std::string_view data) {
  const WriteCall write = writeCall.load(std::memory_order_relaxed);
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::size_t ReadUpTo(int fd, void* data, std::size_t size) {
  char* const bytes = static_cast<char*>(data);
  return ReadLoop(size, [&](std::size_t done) { return ::read(fd, bytes + done, size - done); });
}

std::size_t ReadUpToAt(int fd, void* data, std::size_t size, off_t offset) {
  char* const bytes = static_cast<char*>(data);
  return ReadLoop(size, [&](std::size_t done) {
    return ::pread(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
  });
}

int64_t FileSize(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

std::optional<uint64_t> FreeDiskBytes(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> ReadFileText(const std::string& path, std::size_t maxBytes) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::string text(std::min(maxBytes, static_cast<std::size_t>(std::max<off_t>(info.st_size, 0))),
                   '\0');
  text.resize(ReadUpTo(fd.Get(), text.data(), text.size()));
  return text;
}

namespace {

// Writes a temporary file next to `path` with `write`, syncs it and renames
// it over `path`; a failure leaves `path` as it was and no temporary file.
template <class Write>
bool PublishNextTo(const std::string& path, Write write) {
  std::string temp = path + ".XXXXXX";
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.Valid()) return false;
  const bool ok = write(fd.Get()) && ::fsync(fd.Get()) == 0;
  fd.Reset();
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  const int error = errno;
  ::unlink(temp.c_str());
  errno = error;
  return false;
}

}  // namespace

bool ReplaceFileText(const std::string& path, std::string_view data) {
  return PublishNextTo(path, [data](int fd) { return WriteFully(fd, data); });
}

bool MarkInUse(int fd, bool writing) {
  return ::flock(fd, (writing ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}

UniqueFd CreateTempFile(std::string_view prefix, std::string& path) {
  const char* folder = std::getenv("TMPDIR");
  path = PathJoin(folder && *folder ? folder : "/tmp", std::string(prefix) + "XXXXXX");
  UniqueFd fd(::mkostemp(path.data(), O_CLOEXEC));
  if (!fd.Valid()) path.clear();
  return fd;
}

namespace {

// Copies the open file `in` into `out` from the start.
bool CopyAll(int in, int out) {
  std::string block(1 << 16, '\0');
  for (off_t offset = 0;;) {
    const std::size_t n = ReadUpToAt(in, block.data(), block.size(), offset);
    if (n == 0) return true;
    if (!WriteFully(out, std::string_view(block.data(), n))) return false;
    offset += static_cast<off_t>(n);
  }
}

}  // namespace

bool MoveFileOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid() || !PublishNextTo(to, [&in](int out) { return CopyAll(in.Get(), out); })) {
    return false;
  }
  ::unlink(from.c_str());
  return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

namespace {

bool Exchange(const std::string& a, const std::string& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

bool IsUnchanged(const std::string& path, const struct stat& expected) {
  struct stat now {};
  return ::stat(path.c_str(), &now) == 0 && SameFile(expected, now);
}

// A file moved over `to` between the check and the rename is overwritten.
MoveOverResult RenameIfUnchanged(const std::string& stage, const std::string& to,
                                 const struct stat& expected) {
  if (!IsUnchanged(to, expected)) return MoveOverResult::kChanged;
  if (::rename(stage.c_str(), to.c_str()) != 0) return MoveOverResult::kFailed;
  return MoveOverResult::kMoved;
}

// `stage` is next to `to`; afterwards it holds whichever file lost.
MoveOverResult SwapIfUnchanged(const std::string& stage, const std::string& to,
                               const struct stat& expected) {
  if (!Exchange(stage, to)) {
    if (errno == ENOENT) return MoveOverResult::kChanged;
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
      return RenameIfUnchanged(stage, to, expected);
    }
    return MoveOverResult::kFailed;
  }
  if (IsUnchanged(stage, expected)) return MoveOverResult::kMoved;
  Exchange(stage, to);
  return MoveOverResult::kChanged;
}

}  // namespace

MoveOverResult MoveFileOverIfUnchanged(const std::string& from, const std::string& to,
                                       const struct stat& expected) {
  std::string stage = to + ".XXXXXX";
  if (!UniqueFd(::mkostemp(stage.data(), O_CLOEXEC)).Valid()) return MoveOverResult::kFailed;
  const MoveOverResult result =
      MoveFileOver(from, stage) ? SwapIfUnchanged(stage, to, expected) : MoveOverResult::kFailed;
  const int error = errno;
  ::unlink(stage.c_str());
  errno = error;
  return result;
}
