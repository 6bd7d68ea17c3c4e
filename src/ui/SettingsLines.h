#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

#include "ui/SettingsFields.h"

// The lines of the Devices page: sections "line0".."line63" whose "use" is
// true, each on one SIP device (by its place in the device list).
namespace settings_lines {

constexpr int kMaxLines = 64;

// The first section whose "use" is not true; nothing when all are in use.
std::optional<int> FirstFreeLine(const std::string& file);
// {"lines": [{"section", "text" ("%s [%s]"), "name", "device", "ogmoverride",
// "ogm", "cidflash", "outbound"}], "free": the next section or null}.
nlohmann::json LinesJson(const std::string& file);

// What the line properties dialog writes.
struct LineProperties {
  std::string name;
  int device = 0;
  bool ogmOverride = false;
  std::string ogm;
  bool cidFlash = true;
  bool outbound = true;
};
// Checks the dialog's values; `devices` is how many SIP devices there are.
// Every SIP device carries voice, so no device is refused for that.
std::optional<SettingsRefusal> CheckLine(const nlohmann::json& body, int devices, LineProperties& line);
// Writes the properties, "use" = "true" and [state] "restart" = "true".
bool WriteLine(const std::string& file, int section, const LineProperties& line);
// "use" = "false" and [state] "restart" = "true".
bool RemoveLine(const std::string& file, int section);

std::string LineSection(int section);
// Whether a line that places calls is on a device with a domain or a
// registrar, where a bare number ("5551234") can go.
bool CanCallBareNumbers(const std::string& file);

}  // namespace settings_lines
