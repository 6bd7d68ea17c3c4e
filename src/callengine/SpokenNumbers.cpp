#include "callengine/SpokenNumbers.h"

#include <string>

#include "core/ProfileValues.h"

namespace {

constexpr int64_t kMillion = 1000000;
constexpr int32_t kNoon = 12 * 3600;

void Say(LPromptList& list, int64_t n) { list.Add(std::to_string(n)); }

// Hundreds, tens and units of a value below one thousand, without "0".
void SpeakBelowThousand(LPromptList& list, int64_t n) {
  if (n >= 100) {
    Say(list, n / 100);
    list.Add("100");
    n %= 100;
  }
  if (n >= 20) {
    Say(list, n / 10 * 10);
    n %= 10;
  }
  if (n != 0) Say(list, n);
}

}  // namespace

void ReadNumber(LPromptList& list, std::string_view text, int type) {
  switch (static_cast<ReadNumberType>(type)) {
    case ReadNumberType::kDigits:
      for (char c : text) list.Add(std::string(1, c));
      return;
    case ReadNumberType::kNumber:
      SpeakNumber(list, ParseLeadingInt(text));
      return;
    case ReadNumberType::kDollarsCents: {
      const int64_t cents = ParseLeadingInt(text);
      SpeakNumber(list, cents / 100);
      list.Add("Dollars");
      if (cents % 100 != 0) {
        SpeakNumber(list, cents % 100);
        list.Add("Cents");
      }
      return;
    }
    case ReadNumberType::kDollarsWhole:
      SpeakNumber(list, ParseLeadingInt(text));
      list.Add("Dollars");
      return;
  }
}

void SpeakNumber(LPromptList& list, int64_t n) {
  if (n <= 0) {
    Say(list, n);
    return;
  }
  if (n >= kMillion) {
    SpeakBelowMillion(list, n / kMillion);
    list.Add("Million");
    n %= kMillion;
  }
  SpeakBelowMillion(list, n);
}

void SpeakBelowMillion(LPromptList& list, int64_t n) {
  if (n >= 1000) {
    SpeakBelowThousand(list, n / 1000);
    list.Add("1000");
    n %= 1000;
  }
  SpeakBelowThousand(list, n);
}

void SpeakMessageTime(LPromptList& list, int32_t secondsOfDay, bool today) {
  const int32_t hour = secondsOfDay / 3600;
  SpeakNumber(list, hour % 12 == 0 ? 12 : hour % 12);
  const int32_t minutes = secondsOfDay % 3600 / 60;
  if (minutes != 0) SpeakNumber(list, minutes);
  list.Add(secondsOfDay < kNoon ? "AM" : "PM");
  list.Add(today ? "Today" : "Yesterday");
}
