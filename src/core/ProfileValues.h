#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// The text forms of values stored in INI files, as pure functions. Parsers
// never fail on odd text: characters they do not expect are skipped, and
// numbers too large for their type are clamped (never overflow).

// Leading-integer parse: optional white space and sign, then digits up to the
// first non-digit ("12abc" is 12, "abc" is 0). Clamped to the int range.
int ParseLeadingInt(std::string_view text);
std::string FormatInt(int value);

// Milliseconds from "h:mm:ss.mmm" and its shorter forms ("30" is 30000, "1:30"
// is 90000, "2.25" is 2250); a "-" anywhere makes it negative. Clamped to the
// int range.
int ParseDuration(std::string_view text);
// "%ld:%.2ld:%.2ld.%.3ld" with a leading "-" for negative values.
std::string FormatDuration(int ms);

// Seconds since midnight from "h:m:s"; a result above 86400 is taken modulo
// 86400 ("25:00:00" is 3600).
int ParseTimeOfDay(std::string_view text);
// "%.2d:%.2d:%.2d". Negative values are written as the same time of day
// (modulo 86400), so the text reads back to a time of day.
std::string FormatTimeOfDay(int seconds);

// A local date and time "dd/mm/yy-hh:mm:ss" (also "\", "." and ":" between
// fields; "-" jumps to the hour). A year below 70 is 20yy, one of 1900 or
// more is taken as written, others are 19yy. Empty text is 0; text that is
// no calendar date and time (day past the end of its month, month above 12,
// hour above 23, minute or second above 59, year above 9999) is nullopt.
std::optional<std::time_t> ParseDate(std::string_view text);
// "%.2d/%.2d/%.2d-%.2d:%.2d:%.2d" in local time; "" for 0 ("not set") and for
// instants the local calendar cannot express.
std::string FormatDate(std::time_t instant);

// Decibels from "-22dB"; "--dB" (off) and anything below -127 read as -127,
// anything above 127 as 127.
int8_t ParseDb(std::string_view text);
// "%ddB", or "--dB" at -127 and below.
std::string FormatDb(int8_t db);
