#pragma once

#include <httplib.h>

#include <optional>
#include <string>

#include "core/DataFolders.h"

// The OGM a console request names, with the paths of its files.
struct OgmRequest {
  std::string name;  // the stored spelling when the OGM exists
  std::string ini;
  std::string wav;
  std::string txt;
  bool exists = false;  // its ".ini" is there

  // Checks `name` (RequestNameProblem, the length of its paths) and refuses
  // with 400 when it cannot be an OGM's name.
  static std::optional<OgmRequest> Of(const DataFolders& folders, const std::string& name,
                                      httplib::Response& response);
};
