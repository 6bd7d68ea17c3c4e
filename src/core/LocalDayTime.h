#pragma once

#include <ctime>

// The local weekday and time of day of an instant, as the validity checks
// and office hours compare them.
struct LocalDayTime {
  int weekday = 0;       // 0 Sunday ... 6 Saturday
  int secondsOfDay = 0;  // since local midnight

  static LocalDayTime At(std::time_t instant);
  // Whether today's bit (bit 0 Sunday ... bit 6 Saturday) is set in `mask`.
  bool DayIn(int mask) const { return (mask >> weekday) & 1; }
};
