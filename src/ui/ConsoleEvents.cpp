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

// What one stream has sent so far.
struct Followed {
  uint64_t version = UINT64_MAX;  // none yet: the first event is the status now
  bool logSent = false;
  StatusDisplay::Snapshot log;
};

// The log display's view drops whole kDrop blocks from its front. When the
// view still holds the end of what was sent, at one of those offsets, the
// text after it is new; otherwise the whole view came after it.
std::string LogEvent(Followed& followed, StatusDisplay::Snapshot now) {
  const std::string& sent = followed.log.text;
  if (followed.logSent && now.text == sent && now.error == followed.log.error) return "";
  size_t known = 0;
  for (size_t drop = 0; drop < sent.size(); drop += StatusDisplay::kDrop) {
    const std::string_view kept = std::string_view(sent).substr(drop);
    if (now.text.compare(0, kept.size(), kept) == 0) {
      known = kept.size();
      break;
    }
  }
  const nlohmann::json event = {{"text", now.text.substr(known)}, {"error", now.error}};
  followed.log = std::move(now);
  followed.logSent = true;
  return "event: log\ndata: " + event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n\n";
}

// Sends the status whenever its version moves and the log display's new
// lines, until the client goes or the server stops.
void GetEvents(ConsoleServer::State& state, Response& response) {
  if (++state.eventStreams > ConsoleServer::State::kMaxEventStreams) {
    --state.eventStreams;
    return Refuse(response, 503, "too many event streams");
  }
  auto followed = std::make_shared<Followed>();
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider(
      "text/event-stream",
      [&state, followed](size_t, httplib::DataSink& sink) {
        for (int poll = 0; poll < kKeepAlivePolls && !state.stopping; ++poll) {
          std::string events;
          const EngineStatus::Snapshot status = state.host.status.Get();
          if (status.version != followed->version) {
            followed->version = status.version;
            events = "event: status\ndata: " + console_data::StatusJson(status) + "\n\n";
          }
          events += LogEvent(*followed, state.host.log.GetSnapshot());
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
