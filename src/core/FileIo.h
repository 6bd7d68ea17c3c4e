#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/UniqueFd.h"

// Whole-buffer reads and writes on file descriptors, resuming after short
// transfers and signals.

// Writes all of `data` to `fd`. False (errno set) when the file refuses the
// rest, for example a full disk.
bool WriteFully(int fd, std::string_view data);
// The system call under WriteFully. Tests put one in its place that fails
// as a full disk would; the one before is returned.
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);
WriteCall ReplaceWriteCall(WriteCall call);
// Reads until `size` bytes arrived, the file ends or a read fails; returns
// the bytes that arrived.
std::size_t ReadUpTo(int fd, void* data, std::size_t size);
// The same at `offset`, leaving the file offset alone.
std::size_t ReadUpToAt(int fd, void* data, std::size_t size, off_t offset);
// The open file's size now; 0 when it cannot be told.
int64_t FileSize(int fd);

// The bytes an unprivileged writer may still use on the file system of
// `folder`; nullopt when it cannot be told.
std::optional<uint64_t> FreeDiskBytes(const std::string& folder);

// True when a regular file is at `path` (false also when that cannot be told).
bool IsRegularFile(const std::string& path);

// At most `maxBytes` of the regular file at `path`; nullopt when it cannot
// be opened or is not a regular file. Opened non-blocking, so a FIFO named
// like the file never hangs the caller.
std::optional<std::string> ReadFileText(const std::string& path, std::size_t maxBytes);

// Replaces the file at `path` by `data` through a temporary file in the
// same folder, synced and renamed over it: a crash leaves either the old
// text or the new one.
bool ReplaceFileText(const std::string& path, std::string_view data);

// Marks an open file as in use by this reader (shared) or writer
// (exclusive) with an advisory lock, without waiting: work that replaces
// files (levelling) waits until no such mark is left. False when another
// holder's lock is in the way; the file is then used without the mark.
bool MarkInUse(int fd, bool writing);

// A new empty file named `prefix` + six random characters in the temporary
// folder ($TMPDIR, else /tmp), created exclusively; `path` receives its name.
// An invalid descriptor (errno set) on failure.
UniqueFd CreateTempFile(std::string_view prefix, std::string& path);

// Moves the finished file `from` over `to` in one step for readers of `to`:
// a rename, or across file systems a synced copy next to `to` renamed over
// it. `from` is gone afterwards only on success.
bool MoveFileOver(const std::string& from, const std::string& to);

// Whether two stats are of one file, unchanged: same inode, size and
// modification time.
bool SameFile(const struct stat& a, const struct stat& b);

enum class MoveOverResult { kMoved, kChanged, kFailed };
// Moves the finished file `from` over `to` as MoveFileOver does, but only
// while `to` is still the file `expected` describes. The two files are
// swapped and the one taken out is checked; when it is not the expected
// one (a file moved over `to`, or written, even a moment before) it is
// swapped back, so nothing that arrives at `to` meanwhile is lost. kChanged
// also when `to` is gone. `to` is as it was after kChanged and kFailed
// (errno set); `from` is used up unless it could not be moved next to `to`.
// Where the file system cannot swap, a check and a rename stand in.
MoveOverResult MoveFileOverIfUnchanged(const std::string& from, const std::string& to,
                                       const struct stat& expected);
