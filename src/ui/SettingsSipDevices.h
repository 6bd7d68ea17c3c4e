#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/SettingsFields.h"

// The SIP devices ("sipdevice<n>" sections): direct endpoints and accounts
// that register. Lines name a device by its place in the list, so a new
// device goes after the last one and removing one moves the lines' numbers
// down with the list.
namespace settings_sip {

// {"devices": [{"section", "position", "state", "passwordSet", and every
// device key but the password}]}; `states` are the engine's, by position.
nlohmann::json DevicesJson(const std::string& file, const std::vector<std::string>& states);

// The checked keys to write; "password" is absent when the old one stays.
using DeviceValues = std::map<std::string, std::string>;
std::optional<SettingsRefusal> CheckDevice(const nlohmann::json& body, bool passwordKept, DeviceValues& values);
// The section a new device takes; nothing when the list is full.
std::optional<int> NextDeviceSection(const std::string& file);
bool DeviceExists(const std::string& file, int section);
// Writes the values and [state] "restart" = "true".
bool WriteDevice(const std::string& file, int section, const DeviceValues& values);
// Refused while a line uses the device; otherwise the section goes, the
// lines after it move down and [state] "restart" = "true".
std::optional<SettingsRefusal> RemoveDevice(const std::string& file, int section);

}  // namespace settings_sip
