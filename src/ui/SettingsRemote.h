#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "ui/SettingsFields.h"

// The Program updates page: where the delivery task looks for a new IVR
// program file. Saving schedules a check at once.
namespace settings_remote {

std::optional<SettingsRefusal> Check(const nlohmann::json& values);
void Save(const std::string& file, const SettingsPage& page, std::vector<SettingsWrite>& writes);

}  // namespace settings_remote
