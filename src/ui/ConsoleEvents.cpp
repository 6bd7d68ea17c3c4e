#include <chrono>
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

// Sends the status whenever its version moves, until the client goes or
// the server stops.
void GetEvents(ConsoleServer::State& state, Response& response) {
  if (++state.eventStreams > ConsoleServer::State::kMaxEventStreams) {
    --state.eventStreams;
    return Refuse(response, 503, "too many event streams");
  }
  // No version yet: the first event is the status as it is now.
  auto last = std::make_shared<uint64_t>(UINT64_MAX);
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider(
      "text/event-stream",
      [&state, last](size_t, httplib::DataSink& sink) {
        for (int poll = 0; poll < kKeepAlivePolls && !state.stopping; ++poll) {
          const EngineStatus::Snapshot status = state.host.status.Get();
          if (status.version != *last) {
            *last = status.version;
            const std::string event = "event: status\ndata: " + console_data::StatusJson(status) + "\n\n";
            return sink.write(event.data(), event.size());
          }
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
