#include <chrono>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>

#include "ui/ConsoleData.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Response;

// The event stream looks at the status this often, and sends a comment
// when nothing changed for kKeepAlivePolls polls so proxies keep it open.
constexpr auto kEventPoll = std::chrono::milliseconds(200);
constexpr int kKeepAlivePolls = 75;

// What a stream sent last, so a change of one part sends only that part.
struct Sent {
  uint64_t version = UINT64_MAX;  // none yet: the first event is the status as it is now
  std::string status;             // without its version, which every change moves
  std::string progress = console_data::ProgressJson({});  // nothing running
  bool logSent = false;
  StatusDisplay::Snapshot log;
};

// The events for what changed since `sent`; "" when nothing did.
std::string Changes(const EngineStatus::Snapshot& now, Sent& sent) {
  if (now.version == sent.version) return "";
  sent.version = now.version;
  std::string events;
  EngineStatus::Snapshot unversioned = now;
  unversioned.version = 0;
  if (std::string status = console_data::StatusJson(unversioned); status != sent.status) {
    events += "event: status\ndata: " + console_data::StatusJson(now) + "\n\n";
    sent.status = std::move(status);
  }
  if (std::string progress = console_data::ProgressJson(now); progress != sent.progress) {
    events += "event: progress\ndata: " + progress + "\n\n";
    sent.progress = std::move(progress);
  }
  return events;
}

// The log display's view drops whole kDrop blocks from its front. When the
// view still holds the end of what was sent, at one of those offsets, the
// text after it is new; otherwise the whole view came after it.
std::string LogEvent(Sent& sent, StatusDisplay::Snapshot now) {
  const std::string& before = sent.log.text;
  if (sent.logSent && now.text == before && now.error == sent.log.error) return "";
  size_t known = 0;
  for (size_t drop = 0; drop < before.size(); drop += StatusDisplay::kDrop) {
    const std::string_view kept = std::string_view(before).substr(drop);
    if (now.text.compare(0, kept.size(), kept) == 0) {
      known = kept.size();
      break;
    }
  }
  const nlohmann::json event = {{"text", now.text.substr(known)}, {"error", now.error}};
  sent.log = std::move(now);
  sent.logSent = true;
  return "event: log\ndata: " + event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n\n";
}

// Sends the status and the progress whenever they change and the log
// display's new lines, until the client goes or the server stops.
void GetEvents(ConsoleServer::State& state, Response& response) {
  if (++state.eventStreams > ConsoleServer::State::kMaxEventStreams) {
    --state.eventStreams;
    return Refuse(response, 503, "too many event streams");
  }
  auto sent = std::make_shared<Sent>();
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider(
      "text/event-stream",
      [&state, sent](size_t, httplib::DataSink& sink) {
        for (int poll = 0; poll < kKeepAlivePolls && !state.stopping; ++poll) {
          const std::string events =
              Changes(state.host.status.Get(), *sent) + LogEvent(*sent, state.host.log.GetSnapshot());
          if (!events.empty()) return sink.write(events.data(), events.size());
          std::this_thread::sleep_for(kEventPoll);
        }
        if (state.stopping) return false;
        return sink.write(": still here\n\n", 14);
      },
      [&state](bool) { --state.eventStreams; });
}

}  // namespace

void AddEventRoutes(ConsoleServer::State& state) {
  state.http.Get("/api/events", [&state](const httplib::Request&, Response& r) { GetEvents(state, r); });
}

}  // namespace console_server
