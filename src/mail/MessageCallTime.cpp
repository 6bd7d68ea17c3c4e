#include "mail/MessageCallTime.h"

#include <cstdio>

#include "core/Profile.h"
#include "mail/LMailBoxMessage.h"

namespace {

// Day, month and year as the short-date order places them.
bool DateFields(const std::string& date, int order, std::tm& local) {
  int first, second, third;
  char end;
  if (std::sscanf(date.c_str(), "%2d/%2d/%2d%c", &first, &second, &third, &end) != 3) return false;
  const int year = order == 2 ? first : third;
  local.tm_mon = (order == 0 ? first : second) - 1;
  local.tm_mday = order == 0 ? second : order == 1 ? first : third;
  local.tm_year = 100 + year;
  return true;
}

bool TimeFields(const std::string& time, std::tm& local) {
  char end;
  return std::sscanf(time.c_str(), "%2d:%2d:%2d%c", &local.tm_hour, &local.tm_min, &local.tm_sec, &end) == 3;
}

}  // namespace

std::time_t MessageCallTime(const std::string& recordPath, const std::string& settingsFile) {
  int order = ProfileReadInt(settingsFile, "settings", "dateorder", 0);
  if (order < 0 || order > 2) order = 0;
  std::tm local{};
  if (!DateFields(ProfileReadString(recordPath, LMailBoxMessage::kSection, "date", ""), order, local) ||
      !TimeFields(ProfileReadString(recordPath, LMailBoxMessage::kSection, "time", ""), local))
    return 0;
  const std::tm given = local;
  local.tm_isdst = -1;  // the zone's rule for that day decides
  const std::time_t instant = std::mktime(&local);
  // mktime carries fields over (31/02 becomes 03/03): such a date was no date.
  const bool valid = instant != -1 && local.tm_mday == given.tm_mday && local.tm_mon == given.tm_mon &&
                     local.tm_hour == given.tm_hour && local.tm_min == given.tm_min;
  return valid ? instant : 0;
}
