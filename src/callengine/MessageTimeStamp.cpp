#include "callengine/MessageTimeStamp.h"

#include <array>
#include <cmath>
#include <optional>
#include <string_view>

#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "mail/LMailBoxMessage.h"

namespace {

constexpr double kSecondsPerDay = 86400.0;

// The date's three fields rearranged into day/month/year, the order the
// profile date parser reads; nullopt unless there are exactly three fields
// of digits.
std::optional<std::string> DayMonthYear(std::string_view date, int dateOrder) {
  std::array<std::string_view, 3> fields;
  std::size_t count = 0;
  for (std::size_t start = 0; start <= date.size(); ++count) {
    std::size_t end = date.find('/', start);
    if (end == std::string_view::npos) end = date.size();
    const std::string_view field = date.substr(start, end - start);
    if (count == fields.size() || field.empty() ||
        field.find_first_not_of("0123456789") != std::string_view::npos) {
      return std::nullopt;
    }
    fields[count] = field;
    start = end + 1;
  }
  if (count != fields.size()) return std::nullopt;
  // Positions of day, month and year in each order.
  static constexpr int kOrders[3][3] = {{1, 0, 2}, {0, 1, 2}, {2, 1, 0}};
  const int(&at)[3] = kOrders[dateOrder >= 0 && dateOrder <= 2 ? dateOrder : 0];
  return std::string(fields[at[0]]) + "/" + std::string(fields[at[1]]) + "/" +
         std::string(fields[at[2]]);
}

std::time_t LocalMidnight(std::time_t instant) {
  std::tm local{};
  if (localtime_r(&instant, &local) == nullptr) return 0;
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace

MessageTimeStamp MessageTimeStamp::Read(const std::string &recordPath, int dateOrder) {
  MessageTimeStamp stamp;
  const std::string_view section = LMailBoxMessage::kSection;
  const std::optional<std::string> date =
      DayMonthYear(ProfileReadString(recordPath, section, "date", ""), dateOrder);
  if (!date) return stamp;
  const std::string time = ProfileReadString(recordPath, section, "time", "");
  const std::optional<std::time_t> instant = ParseDate(*date + "-" + time);
  const std::optional<std::time_t> midnight = ParseDate(*date + "-00:00:00");
  if (!instant || !midnight || *instant <= 0) return stamp;
  stamp.instant_ = *instant;
  stamp.midnight_ = *midnight;
  stamp.secondsOfDay_ = ParseTimeOfDay(time);
  return stamp;
}

// Whole local days, so a day of 23 or 25 hours still counts as one.
int MessageTimeStamp::DaysBefore(std::time_t now) const {
  if (instant_ == 0) return -1;
  const double days = std::difftime(LocalMidnight(now), midnight_) / kSecondsPerDay;
  return static_cast<int>(std::lround(days));
}
