#include "callengine/LOfficeHours.h"

#include "callengine/LocalDayTime.h"
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

LOfficeHours::Decision LOfficeHours::Decide(const std::string& settingsFile, const LClock& clock,
                                            const Ring& ring) {
  Decision decision{ring.answeringEnabled, std::nullopt};
  if (!ProfileReadBool(settingsFile, kHoursSection, "enabled", false)) return decision;
  bool open = Open(settingsFile, clock.Now());
  int mode =
      ProfileReadInt(settingsFile, kHoursSection, open ? "duringmode" : "aftermode", open ? 2 : 0);
  switch (mode) {
    case 1:
      decision.ogm = ProfileReadString(settingsFile, kHoursSection, open ? "duringogm" : "afterogm",
                                       "Default Answering Message");
      break;
    case 2:
      decision.answeringEnabled = false;
      break;
    case 3: {
      int extra = ProfileReadInt(settingsFile, kHoursSection, open ? "duringrings" : "afterrings", 5);
      decision.answeringEnabled = ring.answeringEnabled && ring.ring >= ring.ringsNeeded + extra;
      break;
    }
    default:
      break;
  }
  return decision;
}
