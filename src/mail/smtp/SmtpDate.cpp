#include "mail/smtp/SmtpDate.h"

#include <cstdio>
#include <ctime>

#include "core/Trace.h"

std::string SmtpDate::Format(std::time_t instant) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (instant == 0) instant = std::time(nullptr);
  std::tm fields{};
  if (!::gmtime_r(&instant, &fields)) {
    Trace("SmtpDate::Format the time cannot be converted");
    return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%s, %.2d %s 20%.2d %.2d:%.2d:%.2d +0000",
                kDays[fields.tm_wday % 7], fields.tm_mday, kMonths[fields.tm_mon % 12],
                fields.tm_year % 100, fields.tm_hour, fields.tm_min, fields.tm_sec);
  return text;
}
