#pragma once
#include <ctime>
#include <string>

// When the call that left a message came in, from its record's "date"
// ("aa/bb/cc", two digits each, in the short-date order of [settings]
// "dateorder": 0 month/day/year, the default, 1 day/month/year, 2
// year/month/day) and "time" ("hh:mm:ss"), both local time. 0 when they are
// missing or no valid date and time.
std::time_t MessageCallTime(const std::string& recordPath, const std::string& settingsFile);
