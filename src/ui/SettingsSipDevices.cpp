#include "ui/SettingsSipDevices.h"

#include <algorithm>
#include <functional>

#include "core/Profile.h"
#include "telephony/sip/SipDeviceSettings.h"
#include "ui/SettingsLines.h"

namespace settings_sip {
namespace {

using nlohmann::json;
using Check = std::function<bool(const std::string&)>;

constexpr size_t kMaxValue = 255;

bool OneOf(const std::string& value, std::initializer_list<const char*> words) {
  return std::any_of(words.begin(), words.end(), [&](const char* word) { return value == word; });
}

// A user part: no spaces, separators or control characters.
bool UserName(const std::string& value) {
  return PlainText(value, 64) && value.find_first_of(" @:;<>\"") == std::string::npos;
}

// "host[:port]", "[v6]:port" or a sip:/sips: URI of them.
bool HostPort(const std::string& value) {
  std::string rest = value;
  for (const char* scheme : {"sip:", "sips:"})
    if (rest.starts_with(scheme)) rest = rest.substr(std::string(scheme).size());
  return !rest.empty() && rest.size() <= kMaxValue &&
         rest.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_:[];=") ==
             std::string::npos;
}

// "ip:port" with a dotted IPv4 address or a bracketed IPv6 one.
bool LocalAddress(const std::string& value) {
  const size_t colon = value.rfind(':');
  if (colon == std::string::npos || colon + 1 == value.size() || colon + 6 < value.size()) return false;
  const std::string port = value.substr(colon + 1), host = value.substr(0, colon);
  if (port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535) return false;
  if (host.starts_with('[')) return host.ends_with(']') && host.find_first_not_of("[]:0123456789abcdefABCDEF.") == std::string::npos;
  int parts = 0, part = -1;
  for (const char c : host + ".") {
    if (c == '.') {
      if (part < 0 || part > 255) return false;
      ++parts, part = -1;
    } else if (c >= '0' && c <= '9' && part < 1000) {
      part = (part < 0 ? 0 : part * 10) + (c - '0');
    } else {
      return false;
    }
  }
  return parts == 4;
}

bool Expiry(const std::string& value) {
  return !value.empty() && value.size() <= 6 && value.find_first_not_of("0123456789") == std::string::npos &&
         std::stoi(value) >= SipDeviceSettings::kMinExpirySeconds && std::stoi(value) <= 86400;
}

struct Key {
  const char* key;
  Check check;
  const char* error;
  const char* fallback = "";  // taken for an empty value
  bool flag = false;          // a tick: true or false
};

const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = {
      {"name", [](const std::string& v) { return !v.empty() && PlainText(v, 64); },
       "Enter a name of at most 64 characters."},
      {"mode", [](const std::string& v) { return OneOf(v, {"direct", "register"}); }, "Choose direct or register.", "direct"},
      {"user", UserName, "A user name has no spaces, \"@\", \":\" or \";\"."},
      {"authuser", UserName, "A user name has no spaces, \"@\", \":\" or \";\"."},
      {"registrar", [](const std::string& v) { return v.empty() || HostPort(v); }, "Enter a host, host:port or sip: address."},
      {"domain", [](const std::string& v) { return v.empty() || HostPort(v); }, "Enter a host or host:port."},
      {"outboundproxy", [](const std::string& v) { return v.empty() || HostPort(v); }, "Enter a host, host:port or sip: address."},
      {"transport", [](const std::string& v) { return OneOf(v, {"udp", "tcp", "tls"}); }, "Choose UDP, TCP or TLS.", "udp"},
      {"localaddress", [](const std::string& v) { return v.empty() || LocalAddress(v); }, "Enter an address and port such as 127.0.0.1:5062."},
      {"expiry", Expiry, "Enter a number of seconds from 60 to 86400.", "3600"},
      {"dtmfmode", [](const std::string& v) { return OneOf(v, {"rfc4733", "info", "inband"}); }, "Choose how keys are sent.", "rfc4733"},
      {"rtplatch", [](const std::string& v) { return OneOf(v, {"signalling", "any", "off"}); }, "Choose whose media may take over.", "signalling"},
      {"anyhost", [](const std::string& v) { return OneOf(v, {"true", "false"}); }, "expected true or false", "false",
       true},
  };
  return keys;
}

std::string Text(const json& body, const char* key) {
  const auto found = body.find(key);
  if (found == body.end() || found->is_null()) return "";
  if (found->is_number_unsigned()) return std::to_string(found->get<uint64_t>());
  if (found->is_boolean()) return found->get<bool>() ? "true" : "false";
  return found->is_string() ? found->get<std::string>() : std::string("\x01");  // fails every check
}

}  // namespace

json DevicesJson(const std::string& file, const std::vector<std::string>& states) {
  json devices = json::array();
  const std::vector<SipDeviceSettings> all = SipDeviceSettings::ReadAll(file);
  for (size_t position = 0; position < all.size(); ++position) {
    const std::string section = SipDeviceSettings::SectionName(all[position].index);
    json row = {{"section", all[position].index},
                {"position", position},
                {"state", position < states.size() ? states[position] : ""},
                {"passwordSet", !ProfileReadString(file, section, "password", "").empty()}};
    // A key left out or empty shows what a save would write for it.
    for (const Key& key : Keys()) {
      const std::string value = ProfileReadString(file, section, key.key, "");
      if (key.flag)
        row[key.key] = ProfileReadBool(file, section, key.key, false);
      else
        row[key.key] = value.empty() ? key.fallback : value;
    }
    row["name"] = all[position].name;
    devices.push_back(std::move(row));
  }
  return {{"devices", devices}};
}

std::optional<SettingsRefusal> CheckDevice(const json& body, bool passwordKept, DeviceValues& values) {
  if (!body.is_object()) return SettingsRefusal{"expected the device's settings", ""};
  DeviceValues checked;
  for (const Key& key : Keys()) {
    std::string value = Text(body, key.key);
    if (value.empty()) value = key.fallback;
    if (!key.check(value)) return SettingsRefusal{key.error, key.key};
    checked[key.key] = value;
  }
  if (checked["mode"] == "register" && checked["user"].empty())
    return SettingsRefusal{"An account that registers needs a user name.", "user"};
  if (checked["mode"] == "register" && checked["registrar"].empty() && checked["domain"].empty())
    return SettingsRefusal{"An account that registers needs a registrar.", "registrar"};
  const std::string password = Text(body, "password");
  if (!PlainText(password, kMaxPassword)) return SettingsRefusal{kPasswordTooLong, "password"};
  if (!password.empty() || !passwordKept) checked["password"] = password;
  values = std::move(checked);
  return std::nullopt;
}

std::optional<int> NextDeviceSection(const std::string& file) {
  const std::vector<SipDeviceSettings> all = SipDeviceSettings::ReadAll(file);
  const int next = all.empty() ? 0 : all.back().index + 1;
  if (next >= SipDeviceSettings::kMaxDevices) return std::nullopt;
  return next;
}

bool DeviceExists(const std::string& file, int section) {
  SipDeviceSettings device;
  return section >= 0 && section < SipDeviceSettings::kMaxDevices && SipDeviceSettings::Read(file, section, device);
}

bool WriteDevice(const std::string& file, int section, const DeviceValues& values) {
  const std::string name = SipDeviceSettings::SectionName(section);
  bool ok = true;
  for (const auto& [key, value] : values) ok = ProfileWriteString(file, name, key, value) && ok;
  return ProfileWriteBool(file, "state", "restart", true) && ok;
}

std::optional<SettingsRefusal> RemoveDevice(const std::string& file, int section) {
  const std::vector<SipDeviceSettings> all = SipDeviceSettings::ReadAll(file);
  const auto found = std::find_if(all.begin(), all.end(), [&](const SipDeviceSettings& d) { return d.index == section; });
  if (found == all.end()) return SettingsRefusal{"no such SIP device", ""};
  const int position = static_cast<int>(found - all.begin());
  std::vector<int> moved;
  for (int n = 0; n < settings_lines::kMaxLines; ++n) {
    const std::string line = settings_lines::LineSection(n);
    const int device = ProfileReadInt(file, line, "device", n);
    const bool used = ProfileReadBool(file, line, "use", false);
    if (used && device == position)
      return SettingsRefusal{"Line \"" + ProfileReadString(file, line, "name", line) + "\" uses this device; remove the line or move it to another device first.", ""};
    if (device > position && (used || ProfileReadString(file, line, "device", "") != "")) moved.push_back(n);
  }
  bool ok = ProfileDeleteSection(file, SipDeviceSettings::SectionName(section));
  for (const int n : moved) {
    const std::string line = settings_lines::LineSection(n);
    ok = ProfileWriteInt(file, line, "device", ProfileReadInt(file, line, "device", n) - 1) && ok;
  }
  if (!ok) return SettingsRefusal{"The settings file could not be written.", ""};
  ProfileWriteBool(file, "state", "restart", true);
  return std::nullopt;
}

}  // namespace settings_sip
