#pragma once

#include <string>

// A settings file with text but no section line (one beginning with "[")
// is not one this system wrote (a damaged disk, a file copied over it): it
// is moved aside to "<file>.unreadable" so the factory settings written next
// do not bury it.
// Returns what happened in words, "" when the file is readable or absent.
std::string SetAsideUnreadableSettings(const std::string& settingsFile);
