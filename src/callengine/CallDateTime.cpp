#include "callengine/CallDateTime.h"

#include <langinfo.h>

#include <cstdio>
#include <string_view>

#include "core/Profile.h"

namespace {

std::tm Local(std::time_t instant) {
  std::tm local{};
  if (localtime_r(&instant, &local) == nullptr) local = std::tm{};
  return local;
}

// The order in which the locale's date format names day, month and year.
int LocaleDateOrder() {
  std::string_view format = nl_langinfo(D_FMT);
  std::size_t day = format.find("%d");
  if (day == std::string_view::npos) day = format.find("%e");
  std::size_t month = format.find("%m");
  std::size_t year = format.find("%y");
  if (year == std::string_view::npos) year = format.find("%Y");
  if (format.find("%D") != std::string_view::npos) return 0;  // %m/%d/%y
  if (year != std::string_view::npos && year < month && year < day) return 2;
  if (day != std::string_view::npos && day < month) return 1;
  return 0;
}

}  // namespace

int ShortDateOrder(const std::string &settingsFile) {
  // The locale does not change while the program runs.
  static const int localeOrder = LocaleDateOrder();
  int order = ProfileReadInt(settingsFile, "settings", "dateorder", localeOrder);
  return order >= 0 && order <= 2 ? order : localeOrder;
}

std::string FormatCallTime(std::time_t instant) {
  std::tm local = Local(instant);
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string FormatCallDate(std::time_t instant, int dateOrder) {
  std::tm local = Local(instant);
  int day = local.tm_mday;
  int month = local.tm_mon + 1;
  int year = local.tm_year % 100;
  char text[32];
  if (dateOrder == 1) {
    std::snprintf(text, sizeof text, "%.2d/%.2d/%.2d", day, month, year);
  } else if (dateOrder == 2) {
    std::snprintf(text, sizeof text, "%.2d/%.2d/%.2d", year, month, day);
  } else {
    std::snprintf(text, sizeof text, "%.2d/%.2d/%.2d", month, day, year);
  }
  return text;
}
