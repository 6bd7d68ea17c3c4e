#include "core/Profile.h"

#include <cstdlib>
#include <optional>

#include "core/IniStore.h"
#include "core/Path.h"
#include "core/ProfileValues.h"

namespace {

// The stored text cut to the read buffer; empty when missing.
std::string ReadText(const std::string& file, std::string_view section, std::string_view key) {
  std::optional<std::string> value = IniRead(file, section, key);
  return value ? CutText(*value) : std::string();
}

std::string ListKey(std::string_view prefix, int index, std::string_view suffix) {
  return std::string(prefix) + std::to_string(index) + std::string(suffix);
}

}  // namespace

std::string ProfileReadString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue) {
  std::optional<std::string> value = IniRead(file, section, key);
  return CutText(value ? std::string_view(*value) : defaultValue);
}

bool ProfileWriteString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  return IniWrite(file, section, key, value);
}

std::time_t ProfileReadSeconds(const std::string& file, std::string_view section,
                               std::string_view key) {
  return std::strtoll(ReadText(file, section, key).c_str(), nullptr, 10);
}

bool ProfileWriteSeconds(const std::string& file, std::string_view section, std::string_view key,
                         std::time_t seconds) {
  return IniWrite(file, section, key, std::to_string(int64_t{seconds}));
}

bool ProfileDeleteKey(const std::string& file, std::string_view section, std::string_view key) {
  return IniWrite(file, section, key, std::nullopt);
}

bool ProfileDeleteSection(const std::string& file, std::string_view section) {
  return IniWrite(file, section, std::nullopt, std::nullopt);
}

void ProfileFlush(const std::string& file) { IniFlush(file); }

bool ProfileReadBool(const std::string& file, std::string_view section, std::string_view key,
                     bool defaultValue) {
  std::optional<std::string> value = IniRead(file, section, key);
  if (!value) return defaultValue;
  return value->starts_with('t');
}

bool ProfileWriteBool(const std::string& file, std::string_view section, std::string_view key,
                      bool value) {
  return IniWrite(file, section, key, value ? "true" : "false");
}

int ProfileReadInt(const std::string& file, std::string_view section, std::string_view key,
                   int defaultValue) {
  std::string text = ReadText(file, section, key);
  return text.empty() ? defaultValue : ParseLeadingInt(text);
}

bool ProfileWriteInt(const std::string& file, std::string_view section, std::string_view key,
                     int value) {
  return IniWrite(file, section, key, FormatInt(value));
}

int ProfileReadDuration(const std::string& file, std::string_view section, std::string_view key,
                        int defaultMs) {
  std::string text = ReadText(file, section, key);
  return text.empty() ? defaultMs : ParseDuration(text);
}

bool ProfileWriteDuration(const std::string& file, std::string_view section,
                          std::string_view key, int ms) {
  return IniWrite(file, section, key, FormatDuration(ms));
}

int ProfileReadTimeOfDay(const std::string& file, std::string_view section,
                         std::string_view key, int defaultSeconds) {
  std::string text = ReadText(file, section, key);
  return text.empty() ? defaultSeconds : ParseTimeOfDay(text);
}

bool ProfileWriteTimeOfDay(const std::string& file, std::string_view section,
                           std::string_view key, int seconds) {
  return IniWrite(file, section, key, FormatTimeOfDay(seconds));
}

std::time_t ProfileReadDate(const std::string& file, std::string_view section,
                            std::string_view key, std::time_t defaultInstant) {
  std::string text = ReadText(file, section, key);
  if (text.empty()) return defaultInstant;
  return ParseDate(text).value_or(defaultInstant);
}

bool ProfileWriteDate(const std::string& file, std::string_view section, std::string_view key,
                      std::time_t instant) {
  return IniWrite(file, section, key, FormatDate(instant));
}

int8_t ProfileReadDb(const std::string& file, std::string_view section, std::string_view key,
                     int8_t defaultDb) {
  std::string text = ReadText(file, section, key);
  return text.empty() ? defaultDb : ParseDb(text);
}

bool ProfileWriteDb(const std::string& file, std::string_view section, std::string_view key,
                    int8_t db) {
  return IniWrite(file, section, key, FormatDb(db));
}

bool ProfileWriteListCount(const std::string& file, std::string_view section,
                           std::string_view prefix, int count) {
  return IniWrite(file, section, std::string(prefix) + "count", FormatInt(count));
}

bool ProfileMoveListEntry(const std::string& file, std::string_view section,
                          std::string_view prefix, int from, int to, std::string_view suffix) {
  std::string fromKey = ListKey(prefix, from, suffix);
  std::string toKey = ListKey(prefix, to, suffix);
  return IniUpdate(file, [&](IniFile& ini) {
    std::optional<std::string> value;
    if (auto found = ini.Find(section, fromKey)) value = std::string(*found);
    ini.DeleteKey(section, fromKey);
    if (!value) {
      ini.DeleteKey(section, toKey);
      return true;
    }
    return ini.Set(section, toKey, *value);
  });
}
