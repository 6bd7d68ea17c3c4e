#pragma once
#include <ctime>
#include <string>
#include <string_view>

// How a message's delivery is going, kept in its record's section
// "delivery" for the console: the last failure's text and time and when the
// next attempt is due. Which methods are done is in the "sent..." flags of
// section "message". The section goes once the message is delivered.
struct DeliveryState {
  static constexpr std::string_view kSection = "delivery";

  std::string lastError;
  std::time_t lastErrorTime = 0;
  std::time_t nextRetry = 0;

  static DeliveryState Read(const std::string& recordPath);
  static void Failed(const std::string& recordPath, std::string_view error, std::time_t now,
                     std::time_t nextRetry);
  static void Delivered(const std::string& recordPath);
};
