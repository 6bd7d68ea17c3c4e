#pragma once

#include <ctime>
#include <string>

// When a message was left, from its record's "date" (two-digit fields in the
// short-date order) and "time" ("hh:mm:ss"), as local time. Remote access
// offers messages by it, newest first, and announces it.
class MessageTimeStamp {
 public:
  // A record whose "date" cannot be read gets the instant 0.
  static MessageTimeStamp Read(const std::string &recordPath, int dateOrder);

  // 0 when the date could not be read.
  std::time_t Instant() const { return instant_; }
  int SecondsOfDay() const { return secondsOfDay_; }
  // Calendar days from the message's day to the local day of `now`: 0 today,
  // 1 yesterday; negative for a date still to come and when there is no date.
  int DaysBefore(std::time_t now) const;

 private:
  std::time_t instant_ = 0;
  std::time_t midnight_ = 0;
  int secondsOfDay_ = 0;
};
