#include "ivrfile/IvrTempFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/FileIo.h"
#include "core/Trace.h"

IvrTempFile::IvrTempFile() : fd_(CreateTempFile("tmp", path_)) {
  if (!fd_.Valid()) Trace("IVRFile unable to create a temporary file: %s", std::strerror(errno));
}

IvrTempFile::~IvrTempFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

bool IvrTempFile::MoveOver(const std::string& to) {
  Close();
  if (!MoveFileOver(path_, to)) return false;
  path_.clear();
  return true;
}
