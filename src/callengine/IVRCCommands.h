#pragma once

#include <string>
#include <string_view>

class IVRCMain;

// The commands behind an OGM's actions ("go", "play", "transfer", ...), as
// the call controller calls them. Without one the controller takes no
// action for any key.
class IVRCCommands {
 public:
  IVRCCommands() = default;
  virtual ~IVRCCommands() = default;
  IVRCCommands(const IVRCCommands &) = delete;
  IVRCCommands &operator=(const IVRCCommands &) = delete;

  // Takes the action stored under `key` of `section` in the OGM definition
  // `ogmIni` for the call `controller` runs; true when an action was taken.
  virtual bool ExecuteAction(IVRCMain &controller, const std::string &ogmIni,
                             std::string_view section, std::string_view key) = 0;
};
