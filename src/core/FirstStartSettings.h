#pragma once

#include <string>

// Writes the settings a first start needs into the settings file, each only
// where the key is missing, so an owner sees what can be changed. A normal
// start never overwrites a value. Returns false when a write failed.
bool WriteFirstStartSettings(const std::string& settingsFile);
