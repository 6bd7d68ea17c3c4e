#include "ui/SettingsLines.h"

#include "core/Profile.h"
#include "telephony/sip/SipDeviceSettings.h"
#include "ui/ConsoleName.h"

namespace settings_lines {
namespace {

using nlohmann::json;

constexpr size_t kMaxName = 64;
constexpr const char* kDefaultOgm = "Default Answering Message";

bool InUse(const std::string& file, int section) {
  return ProfileReadBool(file, LineSection(section), "use", false);
}

// The device's name; a device not in the list shows its number.
std::string DeviceName(const std::vector<SipDeviceSettings>& devices, int device) {
  if (device >= 0 && device < static_cast<int>(devices.size())) return devices[static_cast<size_t>(device)].name;
  return std::to_string(device);
}

}  // namespace

std::string LineSection(int section) { return "line" + std::to_string(section); }

bool CanCallBareNumbers(const std::string& file) {
  const std::vector<SipDeviceSettings> devices = SipDeviceSettings::ReadAll(file);
  for (int n = 0; n < kMaxLines; ++n) {
    const std::string section = LineSection(n);
    if (!InUse(file, n) || !ProfileReadBool(file, section, "outbound", true)) continue;
    const int device = ProfileReadInt(file, section, "device", n);
    if (device < 0 || device >= static_cast<int>(devices.size())) continue;
    const SipDeviceSettings& settings = devices[static_cast<size_t>(device)];
    if (!settings.domain.empty() || !settings.registrar.empty()) return true;
  }
  return false;
}

std::optional<int> FirstFreeLine(const std::string& file) {
  for (int n = 0; n < kMaxLines; ++n)
    if (!InUse(file, n)) return n;
  return std::nullopt;
}

json LinesJson(const std::string& file) {
  const std::vector<SipDeviceSettings> devices = SipDeviceSettings::ReadAll(file);
  json lines = json::array();
  for (int n = 0; n < kMaxLines; ++n) {
    if (!InUse(file, n)) continue;
    const std::string section = LineSection(n);
    const std::string name = ProfileReadString(file, section, "name", section);
    const int device = ProfileReadInt(file, section, "device", n);
    lines.push_back({{"section", n},
                     {"text", name + " [" + DeviceName(devices, device) + "]"},
                     {"name", name},
                     {"device", device},
                     {"ogmoverride", ProfileReadBool(file, section, "ogmoverride", false)},
                     {"ogm", ProfileReadString(file, section, "ogm", kDefaultOgm)},
                     {"cidflash", ProfileReadBool(file, section, "cidflash", true)},
                     {"outbound", ProfileReadBool(file, section, "outbound", true)}});
  }
  const std::optional<int> free = FirstFreeLine(file);
  return {{"lines", lines}, {"free", free ? json(*free) : json(nullptr)}};
}

std::optional<SettingsRefusal> CheckLine(const json& body, int devices, LineProperties& line) {
  if (!body.is_object()) return SettingsRefusal{"expected the line's properties", ""};
  const json name = body.value("name", json());
  if (!name.is_string() || name.get<std::string>().empty() || !PlainText(name.get<std::string>(), kMaxName))
    return SettingsRefusal{"Enter a name of at most 64 characters.", "name"};
  const json device = body.value("device", json());
  if (!device.is_number_integer() || device.get<int64_t>() < 0 || device.get<int64_t>() >= devices)
    return SettingsRefusal{"Choose one of the SIP devices.", "device"};
  const json ogm = body.value("ogm", json(""));
  if (!ogm.is_string() || (!ogm.get<std::string>().empty() && !RequestNameProblem(ogm.get<std::string>()).empty()))
    return SettingsRefusal{"This is not a usable OGM name.", "ogm"};
  for (const char* flag : {"ogmoverride", "cidflash", "outbound"})
    if (body.contains(flag) && !body[flag].is_boolean()) return SettingsRefusal{"Choose on or off.", flag};
  line.name = name.get<std::string>();
  line.device = device.get<int>();
  line.ogm = ogm.get<std::string>();
  line.ogmOverride = body.value("ogmoverride", false);
  line.cidFlash = body.value("cidflash", true);
  line.outbound = body.value("outbound", true);
  return std::nullopt;
}

bool WriteLine(const std::string& file, int section, const LineProperties& line) {
  const std::string name = LineSection(section);
  bool ok = ProfileWriteString(file, name, "name", line.name);
  ok = ProfileWriteInt(file, name, "device", line.device) && ok;
  ok = ProfileWriteBool(file, name, "ogmoverride", line.ogmOverride) && ok;
  ok = ProfileWriteString(file, name, "ogm", line.ogm.empty() ? kDefaultOgm : line.ogm) && ok;
  ok = ProfileWriteBool(file, name, "cidflash", line.cidFlash) && ok;
  ok = ProfileWriteBool(file, name, "outbound", line.outbound) && ok;
  ok = ProfileWriteBool(file, name, "use", true) && ok;
  return ProfileWriteBool(file, "state", "restart", true) && ok;
}

bool RemoveLine(const std::string& file, int section) {
  const bool ok = ProfileWriteBool(file, LineSection(section), "use", false);
  return ProfileWriteBool(file, "state", "restart", true) && ok;
}

}  // namespace settings_lines
