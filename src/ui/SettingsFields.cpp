#include "ui/SettingsFields.h"

#include <cstdint>
#include <cstdio>

#include "callengine/RecordingDisk.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/TextFormat.h"
#include "mail/smtp/EmailSettings.h"
#include "ui/ConsoleName.h"
#include "ui/SettingsEmail.h"
#include "ui/SettingsRemote.h"

namespace {

using nlohmann::json;
using Kind = SettingsField::Kind;

constexpr size_t kMaxDial = 64;
constexpr size_t kMaxFieldText = 259;
constexpr int kDay = 24 * 3600;
constexpr const char* kDefaultOgm = "Default Answering Message";
// Digits, keys, flash ("!"), pause (","), wait for dial tone ("W"), wait for
// quiet ("@") and the billing tone ("$").
constexpr std::string_view kDialCharacters = "0123456789*#ABCDabcd,!Ww@$";

const std::vector<SettingsPage>& Pages() {
  static const std::vector<SettingsPage> pages = {
      {"devices",
       false,
       {{"settings", "playdevice", Kind::kInt, -1, 63, -1},
        {"settings", "playvolume", Kind::kDb, -60, 20, 0},
        {"settings", "announcedevice", Kind::kInt, -1, 63, -1},
        {"settings", "announcevolume", Kind::kDb, -60, 20, 0},
        {"settings", "fax", Kind::kBool, 0, 1, 0},
        {"settings", "faxdial", Kind::kDial, 0, 0, 0}}},
      {"linesettings",
       true,
       {{"linesettings", "eocdetectplay", Kind::kBool, 0, 1, 0},
        {"linesettings", "eocdetectsoftware", Kind::kBool, 0, 1, 1},
        {"linesettings", "delayeoc", Kind::kMillis, 0, 60000, 4500},
        {"linesettings", "delaydtmf", Kind::kMillis, 0, 10000, 350},
        {"linesettings", "drsoftware", Kind::kBool, 0, 1, 0},
        {"linesettings", "drtime", Kind::kMillis, 0, 10000, 2000}}},
      {"transfer",
       false,
       {{"transfer", "blindprefix", Kind::kDial, 0, 0, 0, "!,"},
        {"transfer", "blindsuffix", Kind::kDial, 0, 0, 0},
        {"transfer", "blindtapi", Kind::kBool, 0, 1, 0},
        {"transfer", "confirmedprefix", Kind::kDial, 0, 0, 0, "!,"},
        {"transfer", "confirmedsuffix", Kind::kDial, 0, 0, 0},
        {"transfer", "confirmedcomplete", Kind::kDial, 0, 0, 0},
        {"transfer", "confirmedreject", Kind::kDial, 0, 0, 0, "!,"},
        {"transfer", "confirmedrepeat", Kind::kInt, 0, 99, 7},
        {"transfer", "useconferencecall", Kind::kBool, 0, 1, 0},
        {"settings", "maxrectime", Kind::kSeconds, 1, 3600, 30},
        {"settings", "recthres", Kind::kDb, -60, 0, -22},
        {"settings", "deletefiledays", Kind::kInt, 0, 3650, 30},
        {"settings", "lowspacemb", Kind::kInt, 0, 1000000, recording_disk::kDefaultLowSpaceMb}}},
      {"email",
       false,
       {{"email", "usemapi", Kind::kBool, 0, 1, 1},
        {"email", "mailhost", Kind::kText, 0, 0, 0},
        {"email", "fromemail", Kind::kText, 0, 0, 0},
        {"email", "subject", Kind::kText, 0, 0, 0, EmailSettings::kDefaultSubject},
        {"email", "smtpsecurity", Kind::kChoice, 0, 0, 0, EmailSettings::kSecurityNames[0].data(),
         {EmailSettings::kSecurityNames.begin(), EmailSettings::kSecurityNames.end()}},
        {"email", "smtpverify", Kind::kBool, 0, 1, 1},
        {"email", "smtpuser", Kind::kText, 0, 0, 0},
        {"email", "smtppassword", Kind::kSecret, 0, 0, 0}},
       settings_email::Check,
       settings_email::Show,
       settings_email::Save,
       true},
      {"hours",
       false,
       {{"autohours", "enabled", Kind::kBool, 0, 1, 0},
        {"autohours", "weekdayopen", Kind::kTime, 0, kDay, 9 * 3600},
        {"autohours", "weekdayclose", Kind::kTime, 0, kDay, 17 * 3600},
        {"autohours", "satopen", Kind::kTime, 0, kDay, 0},
        {"autohours", "satclose", Kind::kTime, 0, kDay, 0},
        {"autohours", "sunopen", Kind::kTime, 0, kDay, 0},
        {"autohours", "sunclose", Kind::kTime, 0, kDay, 0},
        {"autohours", "duringmode", Kind::kInt, 0, 3, 2},
        {"autohours", "duringogm", Kind::kOgm, 0, 0, 0, kDefaultOgm},
        {"autohours", "duringrings", Kind::kInt, 0, 20, 5},
        {"autohours", "aftermode", Kind::kInt, 0, 3, 0},
        {"autohours", "afterogm", Kind::kOgm, 0, 0, 0, kDefaultOgm},
        {"autohours", "afterrings", Kind::kInt, 0, 20, 5}}},
      {"general",
       false,
       {{"settings", "tollsaver", Kind::kBool, 0, 1, 0},
        {"settings", "nrings", Kind::kInt, 1, 20, 3},
        {"settings", "openwindow", Kind::kBool, 0, 1, 1},
        {"settings", "cidflash", Kind::kBool, 0, 1, 1},
        {"settings", "audiogain", Kind::kDb, -20, 20, 0},
        {"settings", "audiohighpass", Kind::kInt, 0, 1000, 0},
        {"settings", "audiocompressorthres", Kind::kDb, -60, 0, 0},
        // -1 (or nothing stored): the order of the system's language.
        {"settings", "dateorder", Kind::kInt, -1, 2, -1}}},
      {"remote",
       false,
       {{"remote", "mode", Kind::kInt, 0, 1, 0},
        {"remote", "server", Kind::kText, 0, 0, 0},
        {"remote", "folder", Kind::kText, 0, 0, 0},
        {"remote", "installid", Kind::kInt, 0, INT32_MAX, 0},
        {"remote", "autocheck", Kind::kBool, 0, 1, 0},
        {"remote", "autocheckinterval", Kind::kInt, 1, 31 * 24 * 60, 60}},
       settings_remote::Check,
       nullptr,
       settings_remote::Save,
       true},
  };
  return pages;
}

// The choice of `choices` that `text` names, case-blind.
const std::string_view* ChoiceNamed(const SettingsField& f, std::string_view text) {
  for (const std::string_view& choice : f.choices)
    if (EqualIgnoringCase(choice, text)) return &choice;
  return nullptr;
}

std::string ClockText(int seconds) { return TextFormat("%02d:%02d", seconds / 3600, seconds / 60 % 60); }

json ReadField(const std::string& file, const SettingsField& f) {
  switch (f.kind) {
    case Kind::kBool: return ProfileReadBool(file, f.section, f.key, f.fallback != 0);
    case Kind::kInt: return ProfileReadInt(file, f.section, f.key, f.fallback);
    case Kind::kDb: return ProfileReadDb(file, f.section, f.key, static_cast<int8_t>(f.fallback));
    case Kind::kSeconds: return ProfileReadDuration(file, f.section, f.key, f.fallback * 1000) / 1000;
    case Kind::kMillis: return ProfileReadDuration(file, f.section, f.key, f.fallback);
    case Kind::kTime: return ClockText(ProfileReadTimeOfDay(file, f.section, f.key, f.fallback));
    case Kind::kDial:
    case Kind::kOgm:
    case Kind::kText: return ProfileReadString(file, f.section, f.key, f.text);
    case Kind::kChoice: {
      const std::string_view* choice = ChoiceNamed(f, ProfileReadString(file, f.section, f.key, f.text));
      return choice ? *choice : f.text;
    }
    case Kind::kSecret: return "";
  }
  return nullptr;
}

std::optional<std::string> CheckField(const SettingsField& f, const json& value, SettingsWrite& write) {
  if (f.kind == Kind::kBool) {
    if (!value.is_boolean()) return "Choose on or off.";
    write.number = value.get<bool>() ? 1 : 0;
  } else if (f.kind == Kind::kTime) {
    const std::optional<int> seconds = value.is_string() ? TimeOfDay(value.get<std::string>()) : std::nullopt;
    if (!seconds) return "Enter a time of day such as 09:00.";
    write.number = *seconds;
  } else if (f.kind == Kind::kChoice) {
    const std::string_view* choice = value.is_string() ? ChoiceNamed(f, value.get<std::string>()) : nullptr;
    if (!choice) return "Choose one of the offered settings.";
    write.text = *choice;
  } else if (f.kind == Kind::kSecret) {
    if (!value.is_string() || !PlainText(value.get<std::string>(), kMaxPassword)) return kPasswordTooLong;
    write.text = value.get<std::string>();
  } else if (f.kind == Kind::kDial || f.kind == Kind::kOgm || f.kind == Kind::kText) {
    if (!value.is_string()) return "Enter a text.";
    write.text = value.get<std::string>();
    if (f.kind == Kind::kText && !PlainText(write.text, kMaxFieldText))
      return "Use at most 259 characters, on one line.";
    if (f.kind == Kind::kDial && (write.text.size() > kMaxDial ||
                                  write.text.find_first_not_of(kDialCharacters) != std::string::npos))
      return "Use at most 64 of the dialling characters 0-9 * # A-D , ! W @ $.";
    if (f.kind == Kind::kOgm && !write.text.empty() &&
        (write.text.size() > kMaxFieldText || !RequestNameProblem(write.text).empty()))
      return "This is not a usable OGM name.";
  } else {
    if (!value.is_number_integer() || value.get<int64_t>() < f.low || value.get<int64_t>() > f.high)
      return TextFormat("Enter a whole number from %d to %d.", f.low, f.high);
    write.number = value.get<int>();
  }
  return std::nullopt;
}

}  // namespace

const SettingsPage* FindSettingsPage(std::string_view name) {
  for (const SettingsPage& page : Pages())
    if (name == page.name) return &page;
  return nullptr;
}

json ReadSettingsPage(const std::string& file, const SettingsPage& page) {
  json values = json::object();
  for (const SettingsField& field : page.fields) {
    values[field.key] = ReadField(file, field);
    if (field.kind == Kind::kSecret)
      values[std::string(field.key) + "Set"] = !ProfileReadString(file, field.section, field.key, "").empty();
  }
  if (page.shown) page.shown(file, values);
  return values;
}

std::optional<SettingsRefusal> CheckSettingsPage(const SettingsPage& page, const json& values,
                                                 std::vector<SettingsWrite>& writes) {
  if (!values.is_object()) return SettingsRefusal{"expected {\"values\": {...}}", ""};
  std::vector<SettingsWrite> checked;
  for (const SettingsField& field : page.fields) {
    const auto value = values.find(field.key);
    if (value == values.end()) continue;
    SettingsWrite write{&field, 0, ""};
    if (std::optional<std::string> error = CheckField(field, *value, write)) return SettingsRefusal{*error, field.key};
    if (field.kind == Kind::kSecret && write.text.empty()) continue;  // keeps the stored one
    checked.push_back(std::move(write));
  }
  if (page.together)
    if (std::optional<SettingsRefusal> refusal = page.together(values)) return refusal;
  writes = std::move(checked);
  return std::nullopt;
}

bool WriteSettingsPage(const std::string& file, const SettingsPage& page, std::vector<SettingsWrite> writes) {
  if (page.saving) page.saving(file, page, writes);
  bool ok = true;
  for (const SettingsWrite& w : writes) {
    const SettingsField& f = *w.field;
    switch (f.kind) {
      case Kind::kBool: ok = ProfileWriteBool(file, f.section, f.key, w.number != 0) && ok; break;
      case Kind::kInt: ok = ProfileWriteInt(file, f.section, f.key, w.number) && ok; break;
      case Kind::kDb: ok = ProfileWriteDb(file, f.section, f.key, static_cast<int8_t>(w.number)) && ok; break;
      case Kind::kSeconds: ok = ProfileWriteDuration(file, f.section, f.key, w.number * 1000) && ok; break;
      case Kind::kMillis: ok = ProfileWriteDuration(file, f.section, f.key, w.number) && ok; break;
      case Kind::kTime: ok = ProfileWriteTimeOfDay(file, f.section, f.key, w.number) && ok; break;
      case Kind::kDial:
      case Kind::kOgm:
      case Kind::kText:
      case Kind::kChoice:
      case Kind::kSecret: ok = ProfileWriteString(file, f.section, f.key, w.text) && ok; break;
    }
  }
  return ok;
}

bool PlainText(std::string_view text, size_t limit) {
  if (text.size() > limit) return false;
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

bool HostName(std::string_view text) {
  constexpr std::string_view kHostChars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]";
  return text.find_first_not_of(kHostChars) == std::string_view::npos;
}

std::optional<int> TimeOfDay(std::string_view text) {
  int hours = 0, minutes = 0, used = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%2d:%2d%n", &hours, &minutes, &used) != 2 || used != static_cast<int>(copy.size()) ||
      copy.size() < 4 || hours < 0 || minutes < 0 || minutes > 59 || hours > 24 || (hours == 24 && minutes != 0))
    return std::nullopt;
  return hours * 3600 + minutes * 60;
}
