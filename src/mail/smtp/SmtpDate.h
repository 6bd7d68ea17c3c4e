#pragma once

#include <ctime>
#include <string>

// The Date header's text, "Tue, 05 Mar 2024 14:03:09 +0000": the fields are
// taken in UTC so that they agree with the zone written.
class SmtpDate {
 public:
  // Empty when the instant cannot be converted; 0 stands for now.
  static std::string Format(std::time_t instant);
};
