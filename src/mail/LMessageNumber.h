#pragma once

#include <string>
#include <string_view>

// Message numbers: six digits, counted across all mailboxes in the settings
// file ([settings] "msgno", the last number given out), 000001 ... 999999,
// 000000, 000001 ...
class LMessageNumber {
 public:
  static constexpr int kNumbers = 1000000;
  static constexpr std::string_view kSection = "settings";
  static constexpr std::string_view kKey = "msgno";

  // The number after `number`, wrapping to 0; any int is taken modulo the
  // number range first, so a damaged setting still gives a valid number.
  static int After(int number);
  // "%.6d"
  static std::string Format(int number);

  // Takes the next number for a new message of the mailbox and creates its
  // (empty) record, all under the settings file's lock, so that two lines or
  // processes never get the same number. Numbers whose record or audio file
  // exists already, in any case, are skipped. Returns the record path, "" on failure.
  static std::string Take(const std::string& settingsFile, const std::string& mailBoxPath);
};
