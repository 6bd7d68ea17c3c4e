#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// The profile helpers through which every part reads and writes its INI
// files (settings, OGMs, mailboxes, messages). Each call reads the file as it
// is now (see IniStore.h); nothing is kept between calls. A missing file,
// section or key reads as the default; writes create the file and section and
// return false (after a trace line) when the file cannot be written.
//
// Apart from strings and booleans, an empty value reads as the default too.
// Texts read are cut to 259 bytes (kMaxText).

std::string ProfileReadString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue);
bool ProfileWriteString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);
bool ProfileDeleteKey(const std::string& file, std::string_view section, std::string_view key);
bool ProfileDeleteSection(const std::string& file, std::string_view section);
// Drops the cached copy of the file; the next read parses it again.
void ProfileFlush(const std::string& file);

// True exactly when the stored text starts with a lower-case "t" ("True" and
// "1" are false); a missing key gives the default.
bool ProfileReadBool(const std::string& file, std::string_view section, std::string_view key,
                     bool defaultValue);
// "true" or "false".
bool ProfileWriteBool(const std::string& file, std::string_view section, std::string_view key,
                      bool value);

int ProfileReadInt(const std::string& file, std::string_view section, std::string_view key,
                   int defaultValue);
bool ProfileWriteInt(const std::string& file, std::string_view section, std::string_view key,
                     int value);

// Wall-clock seconds (time_t) as a whole decimal number, in full so that
// they go on past 2038.
std::time_t ProfileReadSeconds(const std::string& file, std::string_view section,
                               std::string_view key);
bool ProfileWriteSeconds(const std::string& file, std::string_view section, std::string_view key,
                         std::time_t seconds);

// Milliseconds, stored as "h:mm:ss.mmm".
int ProfileReadDuration(const std::string& file, std::string_view section, std::string_view key,
                        int defaultMs);
bool ProfileWriteDuration(const std::string& file, std::string_view section,
                          std::string_view key, int ms);

// Seconds since midnight, stored as "hh:mm:ss".
int ProfileReadTimeOfDay(const std::string& file, std::string_view section,
                         std::string_view key, int defaultSeconds);
bool ProfileWriteTimeOfDay(const std::string& file, std::string_view section,
                           std::string_view key, int seconds);

// Seconds since 1970, stored as local "dd/mm/yy-hh:mm:ss"; 0 (not set) is
// stored as empty. Text that is no valid date reads as the default.
std::time_t ProfileReadDate(const std::string& file, std::string_view section,
                            std::string_view key, std::time_t defaultInstant);
bool ProfileWriteDate(const std::string& file, std::string_view section, std::string_view key,
                      std::time_t instant);

// Decibels, stored as "-22dB"; -127 and below is off ("--dB").
int8_t ProfileReadDb(const std::string& file, std::string_view section, std::string_view key,
                     int8_t defaultDb);
bool ProfileWriteDb(const std::string& file, std::string_view section, std::string_view key,
                    int8_t db);

// Lists: a count key "<prefix>count" and entries "<prefix><index><suffix>".
bool ProfileWriteListCount(const std::string& file, std::string_view section,
                           std::string_view prefix, int count);
// Moves the entry at index `from` to index `to` in one write; a missing entry
// leaves `to` missing as well.
bool ProfileMoveListEntry(const std::string& file, std::string_view section,
                          std::string_view prefix, int from, int to, std::string_view suffix);
