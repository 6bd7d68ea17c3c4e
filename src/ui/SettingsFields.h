#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the settings pages refuse: the text shown beside the field.
struct SettingsRefusal {
  std::string error;
  std::string field;
};

// One key a settings page edits, with the range the page accepts.
struct SettingsField {
  enum class Kind {
    kBool,
    kInt,
    kDb,       // stored as "%ddB"
    kSeconds,  // a duration, stored as "h:mm:ss.mmm"
    kMillis,   // a duration in milliseconds on the page, stored as "h:mm:ss.mmm"
    kTime,     // a time of day, "hh:mm" on the page
    kDial,     // digits and the dialling marks
    kOgm,      // an OGM name; empty is allowed
    kText,     // one line of plain text; empty is allowed
    kChoice,   // one of `choices`; a stored value that is none of them shows as the default
    kSecret,   // a password: never shown ("<key>Set" says whether one is stored); empty keeps it
  };
  const char* section;
  const char* key;
  Kind kind;
  int low;
  int high;
  int fallback;                  // for the numeric and boolean kinds
  const char* text = "";         // the default of the text kinds
  std::vector<std::string_view> choices = {};
};

struct SettingsWrite;

// A page of plain keys: Devices (its sound and fax keys), Line settings,
// Transfer and messages, E-mail, Office hours, General and Program updates.
struct SettingsPage {
  const char* name;
  // Whether saving it asks for the lines to be rebuilt.
  bool restart;
  std::vector<SettingsField> fields;
  // What the fields' values refuse together, once each passed alone.
  std::optional<SettingsRefusal> (*together)(const nlohmann::json& values) = nullptr;
  // For keys that are not one field each: what the page shows, once its
  // fields are read, and what saving it writes, just before the writes.
  void (*shown)(const std::string& file, nlohmann::json& values) = nullptr;
  void (*saving)(const std::string& file, const SettingsPage& page, std::vector<SettingsWrite>& writes) = nullptr;
  // Whether a save wakes the delivery task, so it acts on the keys at once.
  bool wakesDelivery = false;
};

// A checked value waiting to be written.
struct SettingsWrite {
  const SettingsField* field;
  int number;
  std::string text;
};

const SettingsPage* FindSettingsPage(std::string_view name);
// {key: value} of every field as the page shows it.
nlohmann::json ReadSettingsPage(const std::string& file, const SettingsPage& page);
// Checks every field present in `values` (absent ones stay as they are);
// fills `writes` only when all pass.
std::optional<SettingsRefusal> CheckSettingsPage(const SettingsPage& page, const nlohmann::json& values,
                                                 std::vector<SettingsWrite>& writes);
bool WriteSettingsPage(const std::string& file, const SettingsPage& page, std::vector<SettingsWrite> writes);

// Shared checks of the settings pages: text without control characters of
// at most `limit` bytes; an "hh:mm" time of day (24:00 is the end of the day)
// into seconds; a server's name or address, with ":port" or in brackets.
bool PlainText(std::string_view text, size_t limit);
std::optional<int> TimeOfDay(std::string_view text);
bool HostName(std::string_view text);

// The longest password the settings pages take, and their refusal of longer ones.
constexpr size_t kMaxPassword = 128;
constexpr const char* kPasswordTooLong = "Enter a password of at most 128 characters.";
