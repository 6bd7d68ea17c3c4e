#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "telephony/OutboundList.h"

class DataFolders;
class IVRCMain;
class LClock;
class LogFile;

// Places the calls the system makes by itself, at most one per run, on the
// first free line: message-forwarding calls to mailbox owners first, then
// the outbound number list within its daily calling window.
class OutboundScheduler {
 public:
  // A line the scheduler may use.
  struct Line {
    IVRCMain *controller;
    std::function<bool()> isFree;  // open, no call, nothing pending
  };
  // A line is used only this long after its last activity.
  static constexpr uint64_t kQuietMs = 10000;

  OutboundScheduler(const DataFolders &folders, const LClock &clock, LogFile &log);

  // One run; true when the scheduler wants to run again.
  bool OutboundCheck(const std::vector<Line> &lines);

 private:
  IVRCMain *FreeLine(const std::vector<Line> &lines) const;
  // A forwarding call for the first unread message that may be offered
  // now; `pending` tells whether any unread message waits for one.
  bool PlaceForwardCall(IVRCMain &controller, bool &pending);
  bool InCallingWindow() const;
  void Place(IVRCMain &controller, const std::string &number);
  // Traces why a run waits, once until the reason changes: the scheduler
  // runs every few seconds.
  void Waiting(const char *why);

  const DataFolders &folders_;
  const LClock &clock_;
  LogFile &log_;
  const OutboundList list_;
  const char *waitingFor_ = nullptr;
};
