#include "callengine/LOGMResolver.h"

#include "core/LocalDayTime.h"
#include "callengine/OGMKeys.h"
#include "callengine/ParameterText.h"
#include "core/Profile.h"
#include "core/Trace.h"

namespace {

using namespace ogm_keys;

constexpr int kMaxRedirects = 32;

bool CheckWindow(const std::string& path, std::time_t now) {
  std::time_t commence = ProfileReadDate(path, kDateTime, kCommence.key, kCommence.defaultValue);
  std::time_t expire = ProfileReadDate(path, kDateTime, kExpire.key, kExpire.defaultValue);
  int start = ProfileReadTimeOfDay(path, kDateTime, kTodStart.key, kTodStart.defaultValue);
  int end = ProfileReadTimeOfDay(path, kDateTime, kTodEnd.key, kTodEnd.defaultValue);
  int weekdays = ProfileReadInt(path, kDateTime, kWeekdays.key, kWeekdays.defaultValue);
  LocalDayTime today = LocalDayTime::At(now);
  int t = today.secondsOfDay;
  bool inWindow = end < start ? !(t >= end && t < start) : (start <= t && t < end);
  return commence <= now && (expire == 0 || expire > now) && inWindow && today.DayIn(weekdays);
}

bool NumberCondition(int scanMode, const std::string& pattern, const std::string& number) {
  switch (scanMode) {
    case 0:
      return pattern.empty() ? number.empty() : number.starts_with(pattern);
    case 1:
      return pattern.empty() ? number.empty() : ListContains(pattern, number);
    case 2:
      return pattern.empty() ? !number.empty() : !number.starts_with(pattern);
    case 3:
      return pattern.empty() ? !number.empty() : !ListContains(pattern, number);
    default:
      return false;
  }
}

}  // namespace

std::optional<std::string> LOGMResolver::Resolve(std::string_view name) const {
  std::string current(name);
  for (int redirects = kMaxRedirects;; --redirects) {
    std::optional<std::string> path = files_.ExistingIniPath(current);
    if (!path) {
      if (current != name) Tell("OGM \"" + current + "\", where a check leads, does not exist");
      return std::nullopt;
    }
    const std::string from = current;
    const char* why = "";
    const Check check = Checks(*path, current, why);
    if (check == Check::kValid) return path;
    if (check == Check::kRefused) {
      Tell("OGM \"" + from + "\" is refused by its " + why);
      return std::nullopt;
    }
    Tell("OGM \"" + from + "\" goes to \"" + current + "\" by its " + why);
    if (redirects == 0) {
      Trace("LOGMResolver::Resolve too many redirects from \"%.64s\"", std::string(name).c_str());
      return std::nullopt;
    }
  }
}

LOGMResolver::Check LOGMResolver::Checks(const std::string& path, std::string& redirect,
                                         const char*& why) const {
  why = "date and time check";
  const Check check = DateTime(path, redirect);
  if (check != Check::kValid) return check;
  why = "number check";
  return Number(path, redirect);
}

void LOGMResolver::Tell(const std::string& text) const {
  if (narrator_) narrator_(text);
}

bool LOGMResolver::IsOGMValid(std::string_view name, std::string& currentOgm) const {
  std::optional<std::string> path = Resolve(name);
  if (!path) return false;
  if (!currentOgm.empty()) ProfileFlush(currentOgm);
  currentOgm = std::move(*path);
  return true;
}

LOGMResolver::Check LOGMResolver::DateTime(const std::string& path, std::string& redirect) const {
  if (!ProfileReadBool(path, kDateTime, kCheckEnabled.key, kCheckEnabled.defaultValue)) return Check::kValid;
  if (CheckWindow(path, clock_.Now())) return Check::kValid;
  switch (ProfileReadInt(path, kDateTime, kFailMode.key, kFailMode.defaultValue)) {
    case 1:
      redirect = Expanded(path, kDateTime, kDateTimeTarget);
      return Check::kRedirect;
    case 2:
      return Check::kRefused;
    default:
      return Check::kValid;
  }
}

LOGMResolver::Check LOGMResolver::Number(const std::string& path, std::string& redirect) const {
  if (!ProfileReadBool(path, kCid, kCheckEnabled.key, kCheckEnabled.defaultValue)) return Check::kValid;
  std::string pattern = ProfileReadString(path, kCid, kCidPattern, "");
  int idType = ProfileReadInt(path, kCid, kIdType.key, kIdType.defaultValue);
  std::string number = idType == 1   ? call_.did
                       : idType == 2 ? std::to_string(call_.drn)
                                     : call_.callerNumber;
  if (!NumberCondition(ProfileReadInt(path, kCid, kScanMode.key, kScanMode.defaultValue), pattern, number)) {
    return Check::kValid;
  }
  switch (ProfileReadInt(path, kCid, kCidMode.key, kCidMode.defaultValue)) {
    case 1:
      redirect = Expanded(path, kCid, kCidTarget);
      return Check::kRedirect;
    case 2:
      return Check::kRefused;
    default:
      return Check::kValid;
  }
}

std::string LOGMResolver::Expanded(const std::string& path, std::string_view section,
                                   std::string_view key) const {
  std::string text = ProfileReadString(path, section, key, "");
  ExpandPathParameters(text, parms_, call_);
  return text;
}
