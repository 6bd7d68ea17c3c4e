#include "ui/OgmRequest.h"

#include <filesystem>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleServerState.h"

std::optional<OgmRequest> OgmRequest::Of(const DataFolders& folders, const std::string& name,
                                         httplib::Response& response) {
  std::string problem = name.empty() ? "is empty" : RequestNameProblem(name);
  // Path helpers cut at kMaxText: a longer path would name another file.
  if (problem.empty() && folders.Ogms().size() + 1 + name.size() + 4 > kMaxText) problem = "is too long";
  if (!problem.empty()) {
    console_server::Refuse(response, 400, "the OGM name " + problem);
    return std::nullopt;
  }
  OgmRequest ogm;
  ogm.ini = ResolveCaseInsensitive(PathJoin(folders.Ogms(), name + ".ini"));
  std::error_code error;
  ogm.exists = std::filesystem::is_regular_file(ogm.ini, error);
  ogm.name = ogm.exists ? PathTitle(ogm.ini) : name;
  ogm.wav = ResolveCaseInsensitive(PathReplaceExtension(ogm.ini, ".wav"));
  ogm.txt = ResolveCaseInsensitive(PathReplaceExtension(ogm.ini, ".txt"));
  return ogm;
}
