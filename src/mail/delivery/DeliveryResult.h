#pragma once
#include <string>

// The outcome of one delivery method for one message.
struct DeliveryResult {
  bool done = false;
  // E-mail delivery removed the message (the mailbox deletes what it mailed).
  bool deleted = false;
  // What went wrong, as logged; empty when done or stopped.
  std::string error;

  static DeliveryResult Done() { return {true, false, ""}; }
  static DeliveryResult Failed(std::string text) { return {false, false, std::move(text)}; }
};
