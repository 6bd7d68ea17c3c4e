#include "ui/OutboundSettings.h"

#include <cstdio>

#include "core/IniStore.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "ui/ConsoleName.h"

namespace {

using nlohmann::json;

constexpr const char* kSection = "outbound";
constexpr const char* kDefaultOgm = "Default Answering Message";
constexpr int kDay = 86400;
// The longest wait between attempts the call controller keeps.
constexpr int kMaxIntervalMinutes = 366 * 24 * 60;
constexpr int kSilenceMs = 2250;
// What the answer detection dialog shows when no time-out is stored.
constexpr int kShownTimeoutMs = 20000;
constexpr int kMaxDetectSeconds = 3600;

bool WholeIn(const json& value, int low, int high) {
  return value.is_number_integer() && value.get<int64_t>() >= low && value.get<int64_t>() <= high;
}

}  // namespace

json OutboundSettings::Read(const std::string& settings) {
  return {
      {"active", ProfileReadBool(settings, kSection, "active", false)},
      {"ogmanswer", ProfileReadString(settings, kSection, "ogmanswer", kDefaultOgm)},
      {"ogmmachine", ProfileReadString(settings, kSection, "ogmmachine", kDefaultOgm)},
      {"nattempts", ProfileReadInt(settings, kSection, "nattempts", 1)},
      {"interval", ProfileReadInt(settings, kSection, "interval", 30)},
      {"timestart", FormatTimeOfDay(ProfileReadTimeOfDay(settings, kSection, "timestart", 0))},
      {"timeend", FormatTimeOfDay(ProfileReadTimeOfDay(settings, kSection, "timeend", kDay))},
      // Answer detection, in whole seconds as its dialog shows them.
      {"silencetime", ProfileReadDuration(settings, kSection, "silencetime", kSilenceMs) / 1000},
      {"timeout", ProfileReadDuration(settings, kSection, "timeout", kShownTimeoutMs) / 1000},
  };
}

std::optional<int> OutboundSettings::TimeOfDay(const std::string& text) {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  char end = 0;
  const int got = std::sscanf(text.c_str(), "%2d:%2d:%2d%c", &hours, &minutes, &seconds, &end);
  if ((got != 2 && got != 3) || hours < 0 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
    return std::nullopt;
  const int total = hours * 3600 + minutes * 60 + seconds;
  return total <= kDay ? std::optional(total) : std::nullopt;
}

std::optional<OutboundSettings::Refusal> OutboundSettings::Check(
    const json& values, const std::function<bool(const std::string&)>& ogmExists) {
  if (!values.is_object()) return Refusal{"", "Expected the settings as an object."};
  if (!values.contains("active") || !values["active"].is_boolean()) return Refusal{"active", "Expected on or off."};
  for (const char* key : {"ogmanswer", "ogmmachine"}) {
    const json& ogm = values.contains(key) ? values[key] : json();
    if (!ogm.is_string() || !RequestNameProblem(ogm.get<std::string>()).empty() || !ogmExists(ogm.get<std::string>()))
      return Refusal{key, "There is no such OGM."};
  }
  if (!WholeIn(values.value("nattempts", json()), 1, 99)) return Refusal{"nattempts", "From 1 to 99."};
  if (!WholeIn(values.value("interval", json()), 0, kMaxIntervalMinutes))
    return Refusal{"interval", "From 0 to 527040 minutes."};
  for (const char* key : {"silencetime", "timeout"})
    if (!WholeIn(values.value(key, json()), 0, kMaxDetectSeconds)) return Refusal{key, "From 0 to 3600 seconds."};
  for (const char* key : {"timestart", "timeend"}) {
    const json& time = values.contains(key) ? values[key] : json();
    if (!time.is_string() || !TimeOfDay(time.get<std::string>()))
      return Refusal{key, "Expected a time of day as hh:mm:ss."};
  }
  return std::nullopt;
}

bool OutboundSettings::Write(const json& values, const std::string& settings) {
  return IniUpdate(settings, [&values](IniFile& file) {
    bool written = file.Set(kSection, "active", values["active"].get<bool>() ? "true" : "false");
    for (const char* key : {"ogmanswer", "ogmmachine"})
      written = written && file.Set(kSection, key, values[key].get<std::string>());
    for (const char* key : {"nattempts", "interval"})
      written = written && file.Set(kSection, key, FormatInt(values[key].get<int>()));
    for (const char* key : {"timestart", "timeend"})
      written = written && file.Set(kSection, key, FormatTimeOfDay(*TimeOfDay(values[key].get<std::string>())));
    // A quarter second more silence than shown, as the dialog writes it.
    const int silence = values["silencetime"].get<int>();
    written = written && file.Set(kSection, "silencetime", FormatDuration(silence * 1000 + 250));
    return written && file.Set(kSection, "timeout", FormatDuration(values["timeout"].get<int>() * 1000));
  });
}
