// Feeds arbitrary text to every value parser and arbitrary numbers to every
// writer: parsers must stay in range, and whatever a writer produces must read
// back as the same value.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/Path.h"
#include "core/ProfileValues.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Dates are written with two-digit years, which read back as 1970 to 2069.
bool HasTwoDigitYear(std::time_t instant) {
  std::tm t{};
  return instant != 0 && localtime_r(&instant, &t) && t.tm_year >= 70 && t.tm_year <= 169;
}

void CheckDate(std::time_t instant) {
  if (HasTwoDigitYear(instant)) Require(ParseDate(FormatDate(instant)) == instant);
}

void CheckText(const std::string& text, std::size_t cutAt) {
  int integer = ParseLeadingInt(text);
  Require(ParseLeadingInt(FormatInt(integer)) == integer);
  int ms = ParseDuration(text);
  Require(ParseDuration(FormatDuration(ms)) == ms);
  int seconds = ParseTimeOfDay(text);
  Require(seconds >= 0 && seconds <= 86400);
  Require(ParseTimeOfDay(FormatTimeOfDay(seconds)) == seconds);
  int8_t db = ParseDb(text);
  Require(db >= -127 && ParseDb(FormatDb(db)) == db);
  if (std::optional<std::time_t> date = ParseDate(text)) CheckDate(*date);
  std::string cut = CutText(text, cutAt);
  Require(cut.size() <= cutAt && cut.size() + 3 >= std::min(cutAt, text.size()) &&
          std::string_view(text).starts_with(cut));
}

void CheckNumber(int n) {
  Require(ParseLeadingInt(FormatInt(n)) == n);
  Require(ParseDuration(FormatDuration(n)) == n);
  int dayModulo = (n % 86400 + 86400) % 86400;
  int timeOfDay = ParseTimeOfDay(FormatTimeOfDay(n));
  Require(timeOfDay == (n >= 0 && n <= 86400 ? n : dayModulo));
  int8_t db = static_cast<int8_t>(n);
  Require(ParseDb(FormatDb(db)) == std::max<int8_t>(db, -127));
  CheckDate(n);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A zone without summer time: in others one hour a year is ambiguous.
  setenv("TZ", "UTC0", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  int number = input.ConsumeIntegral<int>();
  std::size_t cutAt = input.ConsumeIntegralInRange<std::size_t>(0, 300);
  CheckText(input.ConsumeRemainingBytesAsString(), cutAt);
  CheckNumber(number);
  return 0;
}
