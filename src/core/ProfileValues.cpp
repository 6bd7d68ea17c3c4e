#include "core/ProfileValues.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Accumulated magnitudes stop growing here; every caller clamps to a smaller
// range, so saturating keeps the result right and the arithmetic defined.
constexpr int64_t kSaturation = int64_t{1} << 40;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int64_t Saturate(int64_t value) { return std::min(value, kSaturation); }

// Appends one decimal digit to a non-negative accumulator without overflow.
int64_t AddDigit(int64_t accumulator, char digit, int64_t scale = 1) {
  return Saturate(accumulator * 10 + (digit - '0') * scale);
}

int ClampToInt(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

std::string Printed(const char* format, auto... args) {
  char text[64];
  int n = std::snprintf(text, sizeof text, format, args...);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

int ParseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) magnitude = AddDigit(magnitude, text[i]);
  return ClampToInt(negative ? -magnitude : magnitude);
}

std::string FormatInt(int value) { return std::to_string(value); }

int ParseDuration(std::string_view text) {
  int64_t previous = 0;  // the earlier fields, already in milliseconds
  int64_t field = 0;
  int64_t place = 0;  // 0 in the integer part, else the weight of the next decimal
  bool fraction = false;
  bool negative = false;
  for (char c : text) {
    if (IsDigit(c) && !fraction) {
      field = AddDigit(field, c, 1000);
    } else if (IsDigit(c)) {
      field = Saturate(field + (c - '0') * place);
      place /= 10;
    } else if (c == '.' && !fraction) {
      fraction = true;
      place = 100;
    } else if (c == ':') {
      previous = Saturate((previous + field) * 60);
      field = 0;
      fraction = false;
    } else if (c == '-') {
      negative = true;
    }
  }
  int64_t total = Saturate(previous + field);
  return ClampToInt(negative ? -total : total);
}

std::string FormatDuration(int ms) {
  int64_t magnitude = ms < 0 ? -int64_t{ms} : int64_t{ms};
  long hours = static_cast<long>(magnitude / 3600000);
  long minutes = static_cast<long>(magnitude / 60000 % 60);
  long seconds = static_cast<long>(magnitude / 1000 % 60);
  long millis = static_cast<long>(magnitude % 1000);
  return Printed("%s%ld:%.2ld:%.2ld.%.3ld", ms < 0 ? "-" : "", hours, minutes, seconds, millis);
}

int ParseTimeOfDay(std::string_view text) {
  int64_t fields[3] = {0, 0, 0};  // hours, minutes, seconds
  int index = 0;
  for (char c : text) {
    if (IsDigit(c)) {
      fields[index] = AddDigit(fields[index], c);
    } else if (c == ':' && index < 2) {
      ++index;
    }
  }
  int64_t total = fields[0] * 3600 + fields[1] * 60 + fields[2];
  if (total > kSecondsPerDay) total %= kSecondsPerDay;
  return static_cast<int>(total);
}

std::string FormatTimeOfDay(int seconds) {
  int64_t s = seconds;
  if (s < 0) s = (s % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
  return Printed("%.2d:%.2d:%.2d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                 static_cast<int>(s % 60));
}

namespace {

enum DateField { kDay, kMonth, kYear, kHour, kMinute, kSecond, kDateFields };

int FullYear(int64_t year) {
  if (year < 70) return static_cast<int>(2000 + year);
  if (year >= 1900) return static_cast<int>(year);
  return static_cast<int>(1900 + year);
}

bool InRange(int64_t value, int64_t low, int64_t high) { return value >= low && value <= high; }

// Out-of-range fields are refused rather than carried into the next field the
// way mktime would ("32/13/26" is no date, not February 2027).
bool ValidDateFields(const int64_t (&f)[kDateFields]) {
  return InRange(f[kDay], 1, 31) && InRange(f[kMonth], 1, 12) && InRange(f[kYear], 0, 9999) &&
         InRange(f[kHour], 0, 23) && InRange(f[kMinute], 0, 59) && InRange(f[kSecond], 0, 59);
}

std::optional<std::time_t> LocalInstant(const int64_t (&f)[kDateFields]) {
  std::tm t{};
  t.tm_mday = static_cast<int>(f[kDay]);
  t.tm_mon = static_cast<int>(f[kMonth] - 1);
  t.tm_year = FullYear(f[kYear]) - 1900;
  t.tm_hour = static_cast<int>(f[kHour]);
  t.tm_min = static_cast<int>(f[kMinute]);
  t.tm_sec = static_cast<int>(f[kSecond]);
  t.tm_isdst = -1;
  t.tm_wday = -1;  // mktime sets it on success; -1 alone is a valid instant
  std::time_t instant = std::mktime(&t);
  bool converted = t.tm_wday >= 0;
  // A day past the end of its month (31 April) moved into the next month.
  bool sameDay = t.tm_mday == f[kDay] && t.tm_mon == f[kMonth] - 1;
  if (!converted || !sameDay) return std::nullopt;
  return instant;
}

}  // namespace

std::optional<std::time_t> ParseDate(std::string_view text) {
  if (text.empty()) return 0;
  int64_t fields[kDateFields] = {};
  int index = kDay;
  for (char c : text) {
    if (IsDigit(c)) {
      fields[index] = AddDigit(fields[index], c);
    } else if (c == '/' || c == '\\' || c == '.' || c == ':') {
      index = std::min(index + 1, static_cast<int>(kSecond));
    } else if (c == '-') {
      index = kHour;
    }
  }
  if (!ValidDateFields(fields)) return std::nullopt;
  return LocalInstant(fields);
}

std::string FormatDate(std::time_t instant) {
  std::tm t{};
  if (instant == 0 || !localtime_r(&instant, &t)) return "";
  int year = ((t.tm_year + 1900) % 100 + 100) % 100;
  return Printed("%.2d/%.2d/%.2d-%.2d:%.2d:%.2d", t.tm_mday, t.tm_mon + 1, year, t.tm_hour,
                 t.tm_min, t.tm_sec);
}

int8_t ParseDb(std::string_view text) {
  int64_t magnitude = 0;
  int dashes = 0;
  for (char c : text) {
    if (IsDigit(c)) {
      magnitude = AddDigit(magnitude, c);
    } else if (c == '-' && ++dashes >= 2) {
      magnitude = 127;
    }
  }
  int64_t db = dashes > 0 ? -magnitude : magnitude;
  return static_cast<int8_t>(std::clamp<int64_t>(db, -127, 127));
}

std::string FormatDb(int8_t db) {
  if (db <= -127) return "--dB";
  return Printed("%ddB", static_cast<int>(db));
}
