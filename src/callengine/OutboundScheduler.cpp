#include "callengine/OutboundScheduler.h"

#include "callengine/IVRCMain.h"
#include "core/LocalDayTime.h"
#include "core/DataFolders.h"
#include "core/LClock.h"
#include "core/Profile.h"
#include "core/Trace.h"
#include "log/LogFile.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessageIterator.h"
#include "telephony/line/LLineBase.h"

namespace {

constexpr const char *kMbx = "mbx";

// The forwarding number for attempt `attempt` (from 0): the entries of
// "forwardnumber" split at "\", the last one once they run out.
std::string ForwardNumber(const std::string &numbers, int attempt) {
  std::string chosen;
  std::size_t start = 0;
  for (int i = 0; start <= numbers.size(); ++i) {
    const std::size_t end = std::min(numbers.find('\\', start), numbers.size());
    chosen = numbers.substr(start, end - start);
    if (i >= attempt) break;
    start = end + 1;
  }
  return chosen;
}

}  // namespace

OutboundScheduler::OutboundScheduler(const DataFolders &folders, const LClock &clock,
                                     LogFile &log)
    : folders_(folders),
      clock_(clock),
      log_(log),
      list_(folders.Root(), folders.SettingsFile()) {}

bool OutboundScheduler::OutboundCheck(const std::vector<Line> &lines) {
  if (lines.empty()) return true;
  IVRCMain *controller = FreeLine(lines);
  if (!controller) {
    Waiting("no lines are free so wait");
    return true;
  }
  bool forwardPending = false;
  if (PlaceForwardCall(*controller, forwardPending)) return true;
  if (!ProfileReadBool(folders_.SettingsFile(), "outbound", "active", false)) {
    return forwardPending;
  }
  if (!InCallingWindow()) {
    Waiting("outbound day time scheduling not valid so wait");
    return true;
  }
  const OutboundList::Head head = list_.TakeHead(clock_.Now());
  if (head.kind == OutboundList::Head::Kind::kWaiting) Waiting("Waiting to call - delay");
  if (head.kind != OutboundList::Head::Kind::kTaken) return true;
  waitingFor_ = nullptr;
  controller->SetState(IVRCMain::CS_OUTBOUND);
  controller->SetOutboundEntry(head.entry);
  controller->SetLastActivity(clock_.TickCount());
  const std::string number = OutboundList::Number(head.entry);
  log_.Log("Making outbound call to ", number);
  Place(*controller, number);
  return true;
}

void OutboundScheduler::Waiting(const char *why) {
  if (waitingFor_ != why) Trace("OutboundScheduler %s", why);
  waitingFor_ = why;
}

IVRCMain *OutboundScheduler::FreeLine(const std::vector<Line> &lines) const {
  const uint64_t now = clock_.TickCount();
  for (const Line &line : lines) {
    if (!line.controller || !line.isFree()) continue;
    if (!ProfileReadBool(folders_.SettingsFile(), line.controller->LineSection(), "outbound",
                         true)) {
      continue;
    }
    const uint64_t last = line.controller->LastActivity();
    if (now >= last && now - last >= kQuietMs) return line.controller;
  }
  return nullptr;
}

bool OutboundScheduler::PlaceForwardCall(IVRCMain &controller, bool &pending) {
  const std::time_t now = clock_.Now();
  for (LMailBoxIterator boxes(folders_.MailBoxes()); boxes.IsValid(); boxes.Next()) {
    const std::string mailbox = boxes.GetMailBox();
    if (!ProfileReadBool(mailbox, kMbx, "forwardtel", false)) continue;
    for (LMailBoxMessageIterator messages(mailbox); messages.IsValid(); messages.Next()) {
      if (ProfileReadBool(messages.GetMailBoxMessage(), "message", "read", false)) continue;
      pending = true;
      const int attempts = ProfileReadInt(mailbox, kMbx, "forwardattempts", 0);
      const int maxAttempts = ProfileReadInt(mailbox, kMbx, "maxforwardattempts", 2);
      const int64_t lastTry = ProfileReadSeconds(mailbox, kMbx, "forwardattempttime");
      const int64_t waitSeconds =
          int64_t{ProfileReadInt(mailbox, kMbx, "forwardfailwaitmins", 20)} * 60;
      if (attempts >= maxAttempts || lastTry >= static_cast<int64_t>(now) - waitSeconds) continue;
      ProfileWriteSeconds(mailbox, kMbx, "forwardattempttime", now);
      ProfileWriteInt(mailbox, kMbx, "forwardattempts", attempts + 1);
      const std::string number =
          ForwardNumber(ProfileReadString(mailbox, kMbx, "forwardnumber", ""), attempts);
      const bool last = attempts + 1 == maxAttempts;
      log_.Log("Making message forward call to ",
               last ? number + " (the last call until a new message arrives)" : number);
      if (!controller.Mailbox().empty()) ProfileFlush(controller.Mailbox());
      controller.SetState(IVRCMain::CS_FORWARD);
      controller.SetMailbox(mailbox);
      controller.SetLastActivity(clock_.TickCount());
      Place(controller, number);
      return true;
    }
  }
  return false;
}

// The window runs from "timestart" to "timeend"; when it ends before it
// starts, it spans midnight.
bool OutboundScheduler::InCallingWindow() const {
  const std::string &settings = folders_.SettingsFile();
  const int start = ProfileReadTimeOfDay(settings, "outbound", "timestart", 0);
  const int end = ProfileReadTimeOfDay(settings, "outbound", "timeend", 86400);
  const int t = LocalDayTime::At(clock_.Now()).secondsOfDay;
  return start <= end ? (start <= t && t < end) : !(end <= t && t < start);
}

// A call that cannot be placed is not retried here: it ends as unanswered.
void OutboundScheduler::Place(IVRCMain &controller, const std::string &number) {
  if (controller.Line().MakeCall(number)) return;
  Trace("OutboundScheduler MakeCall to %s FAILED", number.c_str());
  controller.lnntfDisconnect();
}
