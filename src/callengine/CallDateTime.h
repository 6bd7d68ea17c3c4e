#pragma once

#include <ctime>
#include <string>

// The "time" and "date" parameters of a call, in local time.

// Short-date order: 0 month/day/year, 1 day/month/year, 2 year/month/day.
// [settings] "dateorder" when set, else the order of the C library's locale
// date format (read once per process).
int ShortDateOrder(const std::string &settingsFile);

// "hh:mm:ss".
std::string FormatCallTime(std::time_t instant);
// Two digits each ("07/01/24" for 7 January 2024 in day/month/year order).
std::string FormatCallDate(std::time_t instant, int dateOrder);
