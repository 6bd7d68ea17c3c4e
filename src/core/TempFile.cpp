#include "core/TempFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/FileIo.h"
#include "core/Trace.h"

TempFile::TempFile() : fd_(CreateTempFile("tmp", path_)) {
  if (!fd_.Valid()) Trace("TempFile unable to create a temporary file: %s", std::strerror(errno));
}

TempFile::~TempFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

bool TempFile::MoveOver(const std::string& to) {
  Close();
  if (!MoveFileOver(path_, to)) return false;
  path_.clear();
  return true;
}
