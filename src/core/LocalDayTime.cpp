#include "core/LocalDayTime.h"

LocalDayTime LocalDayTime::At(std::time_t instant) {
  std::tm local{};
  if (!::localtime_r(&instant, &local)) return {};
  return {local.tm_wday, local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec};
}
