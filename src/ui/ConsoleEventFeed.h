#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "ui/ConsoleHost.h"

// One event stream's view of the engine: what it has sent so far, and the
// Server-Sent Events text of what is new since. The first poll sends the
// status, what office hours do and the whole log view; message rows are
// sent as they change after the stream opened (the page reads the lists
// itself).
class ConsoleEventFeed {
 public:
  explicit ConsoleEventFeed(const ConsoleHost& host);

  // Every event due now, in order; "" when nothing changed.
  std::string Poll();

 private:
  // The status when it changed (its version moves with every set, even one
  // that changes nothing), then the progress when that changed.
  std::string StatusEvents();
  std::string MessageEvents();
  std::string LogEvent();
  // What office hours do now, looked at once a second: the hour and the
  // settings change it without a status change.
  std::string HoursEvent();

  const ConsoleHost& host_;
  uint64_t statusVersion_ = UINT64_MAX;
  std::string status_;    // sent last, without its version
  std::string progress_;  // sent last
  uint64_t messagesSeen_;
  uint64_t logAppended_ = UINT64_MAX;
  bool logError_ = false;
  std::time_t hoursAt_ = -1;
  std::string hours_;  // sent last
};
