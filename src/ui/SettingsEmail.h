#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "ui/SettingsFields.h"

// The E-mail page's keys that are not one field each. The built-in sender
// needs its host and address. The mail server's login has its own keys, but
// may also be written into the mail host ("host:user:password"): the page
// shows it in the login fields, and saving moves it there.
namespace settings_email {

std::optional<SettingsRefusal> Check(const nlohmann::json& values);
void Show(const std::string& file, nlohmann::json& values);
void Save(const std::string& file, const SettingsPage& page, std::vector<SettingsWrite>& writes);

}  // namespace settings_email
