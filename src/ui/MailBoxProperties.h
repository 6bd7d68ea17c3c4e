#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "mail/LMailBoxSettings.h"

// A mailbox's properties as the console shows and takes them: every key of
// section "mbx" under its stored name, typed as stored, except the FTP
// password, which is never sent back: "ftppassSet" tells whether one is kept.
namespace mailbox_properties {

nlohmann::json ToJson(const LMailBoxSettings& settings);

struct Refusal {
  std::string field;  // the key whose field shows the text
  std::string error;
};
// Takes the user's keys from `values` (missing ones keep their value, state
// keys are never taken; an empty "ftppass" keeps the password and
// "ftppassClear": true removes it), then checks the whole as the properties
// dialog does before it writes.
std::optional<Refusal> Apply(const nlohmann::json& values, LMailBoxSettings& settings);

}  // namespace mailbox_properties
