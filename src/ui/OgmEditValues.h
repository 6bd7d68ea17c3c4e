#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "ui/OgmEditFields.h"

// One editor field's value between the page's JSON and the ".ini" text:
// booleans as JSON booleans, numbers and durations (milliseconds) as
// integers, times of day as "hh:mm:ss", dates as local "YYYY-MM-DDThh:mm:ss"
// ("" for none), everything else as text.
namespace ogm_edit_values {

// The field's value in the OGM file at `iniPath`, or its default.
nlohmann::json Read(const OgmEditFields::Field& field, const std::string& iniPath);

// The stored text of `value`; on a bad value "" and `error` says why.
std::string Stored(const OgmEditFields::Field& field, const nlohmann::json& value, std::string& error);

}  // namespace ogm_edit_values
