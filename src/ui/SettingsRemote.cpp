#include "ui/SettingsRemote.h"

#include <ctime>

#include "core/Profile.h"

namespace settings_remote {

// The server is handed to the FTP client as part of an address, the folder
// is read by a service whose working folder is no one's choice.
std::optional<SettingsRefusal> Check(const nlohmann::json& values) {
  if (!HostName(values.value("server", ""))) return SettingsRefusal{"This is not a server host name.", "server"};
  const std::string folder = values.value("folder", "");
  if (!folder.empty() && folder[0] != '/')
    return SettingsRefusal{"The folder must be a full path (starting with /).", "folder"};
  return std::nullopt;
}

void Save(const std::string& file, const SettingsPage&, std::vector<SettingsWrite>&) {
  ProfileWriteDate(file, "remote", "nextcheck", std::time(nullptr));
}

}  // namespace settings_remote
