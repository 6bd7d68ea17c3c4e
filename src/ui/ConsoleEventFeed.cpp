#include "ui/ConsoleEventFeed.h"

#include <nlohmann/json.hpp>

#include "ui/ConsoleData.h"

namespace {

std::string Event(const char* name, const std::string& data) {
  return std::string("event: ") + name + "\ndata: " + data + "\n\n";
}

}  // namespace

ConsoleEventFeed::ConsoleEventFeed(const ConsoleHost& host)
    : host_(host), progress_(console_data::ProgressJson({})), messagesSeen_(host.status.Get().messageChanges) {}

std::string ConsoleEventFeed::Poll() { return StatusEvents() + HoursEvent() + MessageEvents() + LogEvent(); }

std::string ConsoleEventFeed::StatusEvents() {
  const EngineStatus::Snapshot now = host_.status.Get();
  if (now.version == statusVersion_) return "";
  statusVersion_ = now.version;
  std::string events;
  EngineStatus::Snapshot unversioned = now;
  unversioned.version = 0;
  if (std::string status = console_data::StatusJson(unversioned); status != status_) {
    events += Event("status", console_data::StatusJson(now));
    status_ = std::move(status);
  }
  if (std::string progress = console_data::ProgressJson(now); progress != progress_) {
    events += Event("progress", progress);
    progress_ = std::move(progress);
  }
  return events;
}

std::string ConsoleEventFeed::HoursEvent() {
  const std::time_t now = host_.clock.Now();
  if (now == hoursAt_) return "";
  hoursAt_ = now;
  std::string hours = console_data::HoursJson(host_.folders.SettingsFile(), now);
  if (hours == hours_) return "";
  hours_ = std::move(hours);
  return Event("hours", hours_);
}

// More changes than the status keeps: the page reads its list again.
std::string ConsoleEventFeed::MessageEvents() {
  bool missed = false;
  const std::vector<std::string> changed = host_.status.MessageChangesSince(messagesSeen_, missed);
  messagesSeen_ += changed.size();
  if (missed) {
    messagesSeen_ = host_.status.Get().messageChanges;
    return Event("resync", "{}");
  }
  std::string events;
  for (const std::string& record : changed) events += Event("message", console_data::MessageEventJson(record));
  return events;
}

std::string ConsoleEventFeed::LogEvent() {
  const StatusDisplay::Snapshot log = host_.log.GetSnapshot();
  if (log.appended == logAppended_ && log.error == logError_) return "";
  const uint64_t fresh = logAppended_ == UINT64_MAX ? log.text.size() : log.appended - logAppended_;
  const size_t shown = static_cast<size_t>(std::min<uint64_t>(fresh, log.text.size()));
  logAppended_ = log.appended;
  logError_ = log.error;
  // "whole": the text replaces what the page shows (a new stream, or more
  // lines than the view keeps came meanwhile), else it is appended.
  const nlohmann::json data = {
      {"text", log.text.substr(log.text.size() - shown)}, {"error", log.error}, {"whole", fresh >= log.text.size()}};
  return Event("log", console_data::Dump(data));
}
