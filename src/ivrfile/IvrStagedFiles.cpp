#include "ivrfile/IvrStagedFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/Path.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrFormat.h"

IvrStagedFiles::~IvrStagedFiles() {
  for (const auto &[staged, destination] : files_) ::unlink(staged.c_str());
}

std::string IvrStagedFiles::Create(const std::string &destination) {
  const std::string extension = IvrHasExtension(destination, ".wav") ? ".wav" : "";
  std::string path = PathJoin(PathFolder(destination), ".load-XXXXXX" + extension);
  if (!UniqueFd(::mkostemps(path.data(), static_cast<int>(extension.size()), O_CLOEXEC)).Valid()) {
    return {};
  }
  files_.emplace_back(path, destination);
  return path;
}

int IvrStagedFiles::PutInPlace() {
  int failed = 0;
  for (const auto &[staged, destination] : files_) {
    if (std::rename(staged.c_str(), destination.c_str()) == 0) continue;
    Trace("IVRFileLoadFile unable to replace %s: %s", destination.c_str(), std::strerror(errno));
    ::unlink(staged.c_str());
    ++failed;
  }
  files_.clear();
  return failed;
}
