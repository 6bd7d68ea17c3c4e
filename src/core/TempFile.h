#pragma once

#include <string>

#include "core/UniqueFd.h"

// A new file in the temporary folder (prefix "tmp"), removed when this
// object goes unless it was moved away first.
class TempFile {
 public:
  TempFile();
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }
  const std::string& Path() const { return path_; }
  void Close() { fd_.Reset(); }
  // Moves the file over `to` (see MoveFileOver); afterwards it is no longer
  // this object's.
  bool MoveOver(const std::string& to);

 private:
  std::string path_;
  UniqueFd fd_;
};
