#include "ui/OgmEditValues.h"

#include <cstdio>
#include <ctime>

#include "callengine/OGMKeys.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/TextFormat.h"
#include "ui/ConsoleName.h"

namespace ogm_edit_values {
namespace {

using Kind = OgmEditFields::Kind;
using nlohmann::json;

constexpr int kSecondsPerDay = 86400;
// Two-digit years are stored: 70..99 are 19yy, 00..69 20yy.
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 2069;

std::string PageDate(std::time_t instant) {
  std::tm t{};
  if (instant == 0 || !localtime_r(&instant, &t)) return "";
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

// "YYYY-MM-DDThh:mm" with optional ":ss".
std::string StoredDate(const std::string& text, std::string& error) {
  if (text.empty()) return "";
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d%n:%2d%n", &year, &month, &day, &hour, &minute,
                                 &used, &second, &used);
  if (fields < 5 || static_cast<size_t>(used) != text.size() || month < 1 || month > 12 || day < 1 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    error = "expected a date and time";
    return "";
  }
  if (year < kFirstYear || year > kLastYear) {
    error = "the year must be from 1970 to 2069";
    return "";
  }
  char stored[80];
  std::snprintf(stored, sizeof stored, "%02d/%02d/%02d-%02d:%02d:%02d", day, month, year % 100, hour, minute,
                second);
  const std::optional<std::time_t> instant = ParseDate(stored);
  if (!instant || *instant == 0) {
    error = "no such date";
    return "";
  }
  return FormatDate(*instant);
}

// "h:mm" or "h:mm:ss", at most 24:00:00 (the end of the day).
std::string StoredTime(const std::string& text, std::string& error) {
  int hour = 0, minute = 0, second = 0, used = 0;
  const int fields = std::sscanf(text.c_str(), "%2d:%2d%n:%2d%n", &hour, &minute, &used, &second, &used);
  const int total = hour * 3600 + minute * 60 + second;
  if (fields < 2 || static_cast<size_t>(used) != text.size() || hour < 0 || minute < 0 || minute > 59 ||
      second < 0 || second > 59 || total > kSecondsPerDay) {
    error = "expected a time of day as hh:mm:ss";
    return "";
  }
  return FormatTimeOfDay(total);
}

bool HasControl(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

// A text the profile helpers keep whole, on one line.
bool GoodText(const json& value, std::string& error) {
  if (!value.is_string()) {
    error = "expected text";
  } else if (value.get_ref<const std::string&>().size() > kMaxText) {
    error = "at most 259 characters";
  } else if (HasControl(value.get_ref<const std::string&>())) {
    error = "must stay on one line";
  }
  return error.empty();
}

// A name the engine opens as a file in one of its folders; one holding
// parameters is only known when a call expands it.
std::string StoredName(const json& value, std::string& error) {
  if (!GoodText(value, error)) return "";
  const std::string& name = value.get_ref<const std::string&>();
  if (name.empty() || name.find('%') != std::string::npos) return name;
  if (std::string problem = RequestNameProblem(name); !problem.empty()) error = "the name " + problem;
  return name;
}

std::string StoredWord(const OgmEditFields::Field& field, const json& value, std::string& error) {
  if (value.is_string()) {
    const std::string& word = value.get_ref<const std::string&>();
    for (const OGMActionWord& row : OGMActionWords())
      if (row.word == word && (field.kind == Kind::kAction || row.chained || row.action == OGMAction::kNoResponse))
        return word;
  }
  error = "not an action offered here";
  return "";
}

std::string StoredNumber(const OgmEditFields::Field& field, const json& value, std::string& error) {
  if (!value.is_number_integer() || value.get<int64_t>() < field.min || value.get<int64_t>() > field.max) {
    error = "expected a whole number from " + std::to_string(field.min) + " to " + std::to_string(field.max);
    return "";
  }
  const int number = value.get<int>();
  return field.kind == Kind::kDuration ? FormatDuration(number) : FormatInt(number);
}

}  // namespace

json Read(const OgmEditFields::Field& field, const std::string& iniPath) {
  const std::string& section = field.section;
  switch (field.kind) {
    case Kind::kBool:
      return ProfileReadBool(iniPath, section, field.key, field.defaultNumber != 0);
    case Kind::kInt:
      return ProfileReadInt(iniPath, section, field.key, field.defaultNumber);
    case Kind::kDuration:
      return ProfileReadDuration(iniPath, section, field.key, field.defaultNumber);
    case Kind::kTime:
      return FormatTimeOfDay(ProfileReadTimeOfDay(iniPath, section, field.key, field.defaultNumber));
    case Kind::kDate:
      return PageDate(ProfileReadDate(iniPath, section, field.key, field.defaultNumber));
    case Kind::kAction:
    case Kind::kChained:
      return OGMActionInfo(ParseOGMAction(ProfileReadString(iniPath, section, field.key, field.defaultText))).word;
    case Kind::kType:
      return EqualIgnoringCase(ProfileReadString(iniPath, section, field.key, field.defaultText),
                               ogm_keys::kNumberEntryType)
                 ? std::string(ogm_keys::kNumberEntryType)
                 : field.defaultText;
    default:
      return ProfileReadString(iniPath, section, field.key, field.defaultText);
  }
}

std::string Stored(const OgmEditFields::Field& field, const json& value, std::string& error) {
  switch (field.kind) {
    case Kind::kBool:
      if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
      error = "expected true or false";
      return "";
    case Kind::kInt:
    case Kind::kDuration:
      return StoredNumber(field, value, error);
    case Kind::kTime:
      if (value.is_string()) return StoredTime(value.get<std::string>(), error);
      error = "expected a time of day as hh:mm:ss";
      return "";
    case Kind::kDate:
      if (value.is_string()) return StoredDate(value.get<std::string>(), error);
      error = "expected a date and time";
      return "";
    case Kind::kType:
      if (value == field.defaultText || value == ogm_keys::kNumberEntryType) return value.get<std::string>();
      error = "expected \"menu\" or \"enternumber\"";
      return "";
    case Kind::kAction:
    case Kind::kChained:
      return StoredWord(field, value, error);
    case Kind::kOgm:
    case Kind::kMailbox:
    case Kind::kFileTitle:
      return StoredName(value, error);
    case Kind::kText:
      return GoodText(value, error) ? value.get<std::string>() : "";
  }
  return "";
}

}  // namespace ogm_edit_values
