#pragma once

#include <string>

#include "core/UniqueFd.h"

// The exclusive advisory lock (flock) that serialises writers of one file
// across threads and processes. It is taken on the file itself: a writer
// replaces the file by renaming a new one over it, so after the lock is
// granted it checks that the locked file is still the one at the path and
// starts again if not. A missing file is created (mode 0600, empty) to have
// something to lock, unless only an existing file may be locked;
// DiscardCreated removes it again when nothing was written. The lock ends
// when the object is destroyed.
class FileLock {
 public:
  enum class Missing { kCreate, kRefuse };

  explicit FileLock(std::string path, Missing missing = Missing::kCreate)
      : path_(std::move(path)), create_(missing == Missing::kCreate) {}
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // False with errno set when the file cannot be opened or locked (ENOENT
  // when it is missing and may not be created).
  bool Acquire();
  // The locked file, open for reading.
  int Fd() const { return fd_.Get(); }
  // Whether Acquire created the file.
  bool Created() const { return created_; }
  // Removes the file if Acquire created it (it is still empty then, since
  // nobody can replace it while the lock is held).
  void DiscardCreated();

 private:
  bool OpenOrCreate();
  bool LockedFileIsAtPath() const;

  std::string path_;
  UniqueFd fd_;
  bool create_;
  bool created_ = false;
};
