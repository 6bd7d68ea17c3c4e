#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/FileIo.h"

// Plays a disk that fills up under the WAVE files being written: while it
// lives, files whose name ends in ".wav" may grow by `bytes` more in all (a
// write crossing the limit is cut short) and then writes that would grow
// them fail with ENOSPC. Rewriting bytes a file already has still works, as
// on a real full disk; other files are written as usual.
class FullDiskScope {
 public:
  explicit FullDiskScope(int64_t bytes) : previous_(ReplaceWriteCall(&Write)) { left_ = bytes; }
  ~FullDiskScope() { ReplaceWriteCall(previous_); }
  FullDiskScope(const FullDiskScope&) = delete;
  FullDiskScope& operator=(const FullDiskScope&) = delete;

 private:
  static bool IsWave(int fd) {
    char path[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return n > 0 && std::string_view(path, static_cast<std::size_t>(n)).ends_with(".wav");
  }
  static ssize_t Write(int fd, const void* data, std::size_t size) {
    struct stat info {};
    const off_t offset = ::lseek(fd, 0, SEEK_CUR);
    if (!IsWave(fd) || offset < 0 || ::fstat(fd, &info) != 0) return ::write(fd, data, size);
    const int64_t inPlace = std::clamp<int64_t>(info.st_size - offset, 0, static_cast<int64_t>(size));
    const int64_t growth = std::min<int64_t>(static_cast<int64_t>(size) - inPlace, left_.load());
    if (inPlace + growth == 0) {
      errno = ENOSPC;
      return -1;
    }
    left_ -= growth;
    return ::write(fd, data, static_cast<std::size_t>(inPlace + growth));
  }

  static inline std::atomic<int64_t> left_{0};
  WriteCall previous_;
};
