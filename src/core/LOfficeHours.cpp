#include "core/LOfficeHours.h"

#include "core/LocalDayTime.h"
#include "core/Profile.h"

namespace {

constexpr const char* kHoursSection = "autohours";
constexpr int kSunday = 0;
constexpr int kSaturday = 6;

}  // namespace

bool LOfficeHours::Open(const std::string& settingsFile, std::time_t now) {
  LocalDayTime today = LocalDayTime::At(now);
  int open = 0;
  int close = 0;
  if (today.weekday == kSaturday) {
    open = ProfileReadTimeOfDay(settingsFile, kHoursSection, "satopen", 0);
    close = ProfileReadTimeOfDay(settingsFile, kHoursSection, "satclose", 0);
  } else if (today.weekday == kSunday) {
    open = ProfileReadTimeOfDay(settingsFile, kHoursSection, "sunopen", 0);
    close = ProfileReadTimeOfDay(settingsFile, kHoursSection, "sunclose", 0);
  } else {
    open = ProfileReadTimeOfDay(settingsFile, kHoursSection, "weekdayopen", 32400);
    close = ProfileReadTimeOfDay(settingsFile, kHoursSection, "weekdayclose", 61200);
  }
  return open <= today.secondsOfDay && today.secondsOfDay < close;
}

std::optional<LOfficeHours::Rule> LOfficeHours::InEffect(const std::string& settingsFile,
                                                         std::time_t now) {
  if (!ProfileReadBool(settingsFile, kHoursSection, "enabled", false)) return std::nullopt;
  Rule rule;
  rule.open = Open(settingsFile, now);
  const std::string key = rule.open ? "during" : "after";
  rule.mode = ProfileReadInt(settingsFile, kHoursSection, key + "mode", rule.open ? 2 : 0);
  rule.ogm = ProfileReadString(settingsFile, kHoursSection, key + "ogm", "Default Answering Message");
  rule.extraRings = ProfileReadInt(settingsFile, kHoursSection, key + "rings", 5);
  return rule;
}

LOfficeHours::Decision LOfficeHours::Decide(const std::string& settingsFile, const LClock& clock,
                                            const Ring& ring) {
  Decision decision{ring.answeringEnabled, std::nullopt};
  const std::optional<Rule> rule = InEffect(settingsFile, clock.Now());
  if (!rule) return decision;
  switch (rule->mode) {
    case 1:
      decision.ogm = rule->ogm;
      break;
    case 2:
      decision.answeringEnabled = false;
      break;
    case 3:
      decision.answeringEnabled = ring.answeringEnabled && ring.ring >= ring.ringsNeeded + rule->extraRings;
      break;
    default:
      break;
  }
  return decision;
}
