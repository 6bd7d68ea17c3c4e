#include "callengine/LOGMResolver.h"

#include "callengine/LocalDayTime.h"
#include "callengine/ParameterText.h"
#include "core/Profile.h"
#include "core/Trace.h"

namespace {

constexpr int kMaxRedirects = 32;
constexpr int kDayEnd = 86400;

bool CheckWindow(const std::string& path, std::time_t now) {
  std::time_t commence = ProfileReadDate(path, "datetime", "commence", 0);
  std::time_t expire = ProfileReadDate(path, "datetime", "expire", 0);
  int start = ProfileReadTimeOfDay(path, "datetime", "todstart", 0);
  int end = ProfileReadTimeOfDay(path, "datetime", "todend", kDayEnd);
  int weekdays = ProfileReadInt(path, "datetime", "weekdays", 127);
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
    if (!path) return std::nullopt;
    Check check = DateTime(*path, current);
    if (check == Check::kValid) check = Number(*path, current);
    if (check == Check::kValid) return path;
    if (check == Check::kRefused) return std::nullopt;
    if (redirects == 0) {
      Trace("LOGMResolver::Resolve too many redirects from \"%.64s\"", std::string(name).c_str());
      return std::nullopt;
    }
  }
}

bool LOGMResolver::IsOGMValid(std::string_view name, std::string& currentOgm) const {
  std::optional<std::string> path = Resolve(name);
  if (!path) return false;
  if (!currentOgm.empty()) ProfileFlush(currentOgm);
  currentOgm = std::move(*path);
  return true;
}

LOGMResolver::Check LOGMResolver::DateTime(const std::string& path, std::string& redirect) const {
  if (!ProfileReadBool(path, "datetime", "enabled", false)) return Check::kValid;
  if (CheckWindow(path, clock_.Now())) return Check::kValid;
  switch (ProfileReadInt(path, "datetime", "failmode", 0)) {
    case 1:
      redirect = Expanded(path, "datetime", "failogm");
      return Check::kRedirect;
    case 2:
      return Check::kRefused;
    default:
      return Check::kValid;
  }
}

LOGMResolver::Check LOGMResolver::Number(const std::string& path, std::string& redirect) const {
  if (!ProfileReadBool(path, "cid", "enabled", false)) return Check::kValid;
  std::string pattern = ProfileReadString(path, "cid", "cid", "");
  int idType = ProfileReadInt(path, "cid", "idtype", 0);
  std::string number = idType == 1   ? call_.did
                       : idType == 2 ? std::to_string(call_.drn)
                                     : call_.callerNumber;
  if (!NumberCondition(ProfileReadInt(path, "cid", "cidscanmode", 0), pattern, number)) {
    return Check::kValid;
  }
  switch (ProfileReadInt(path, "cid", "mode", 0)) {
    case 1:
      redirect = Expanded(path, "cid", "ogm");
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
  ExpandParameters(text, parms_, call_);
  return text;
}
