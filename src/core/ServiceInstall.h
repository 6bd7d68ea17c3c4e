#pragma once

#include <string>
#include <vector>

// "zavotel --install [--root DIR] [--user]" and "zavotel --uninstall [--root
// DIR] [--user]": write or remove the systemd unit, its ".wants" link and the
// XDG autostart entry (see ServiceUnits.h). Root installs system-wide unless
// --user says otherwise; --root writes under DIR instead of "/" (packaging,
// tests) and leaves the running service manager alone. Files that do not
// carry the installer's mark are never replaced or removed. Returns the
// process's exit status: 0 done, 1 refused or failed, 2 bad arguments.
int RunServiceInstall(const std::vector<std::string>& arguments, const std::string& dataOption,
                      bool install);
