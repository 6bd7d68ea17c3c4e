#pragma once

#include <cstdint>
#include <string_view>

#include "audio/LPromptList.h"

// How a value is read out ([ivr] "readnumbertype").
enum class ReadNumberType : int {
  kDigits = 0,         // one prompt per character
  kNumber = 1,         // the leading integer as a number
  kDollarsCents = 2,   // the leading integer is an amount in cents
  kDollarsWhole = 3,   // the leading integer in dollars
};

// Appends the prompts that speak `text` the way `type` says; an unknown
// type speaks nothing.
void ReadNumber(LPromptList& list, std::string_view text, int type);
// "1234" is "1" "1000" "2" "100" "30" "4"; a negative value is one prompt
// named by its decimal text (normally missing, so silence).
void SpeakNumber(LPromptList& list, int64_t n);
// `n` below one million.
void SpeakBelowMillion(LPromptList& list, int64_t n);
// A message's time of day (seconds since midnight) on a 12-hour clock, then
// "Today" or "Yesterday": 22:05 is "10" "5" "PM".
void SpeakMessageTime(LPromptList& list, int32_t secondsOfDay, bool today);
