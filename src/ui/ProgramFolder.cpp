#include "ui/ProgramFolder.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "ivrfile/IvrFormat.h"
#include "ui/ConsoleName.h"

namespace program_folder {

std::string NameProblem(std::string_view name) {
  if (std::string problem = RequestNameProblem(name); !problem.empty()) return problem;
  if (!IvrHasExtension(name, ".ivr") || name.size() == 4) return "does not end in \".ivr\"";
  return "";
}

std::string PathOf(const DataFolders& folders, std::string_view name) {
  const std::string folder = PathJoin(folders.Root(), kFolderName);
  if (folder.size() + 1 + name.size() > kMaxText) return "";
  return ResolveCaseInsensitive(PathJoin(folder, name));
}

bool Create(const DataFolders& folders) {
  const std::string folder = ResolveCaseInsensitive(PathJoin(folders.Root(), kFolderName));
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace program_folder
