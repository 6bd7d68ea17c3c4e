#include <chrono>
#include <thread>

#include "ui/ConsoleEventFeed.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Response;

// The event stream looks at the status this often, and sends a comment
// when nothing changed for kKeepAlivePolls polls so proxies keep it open.
constexpr auto kEventPoll = std::chrono::milliseconds(200);
constexpr int kKeepAlivePolls = 75;

// Sends what changed (see ConsoleEventFeed) until the client goes or the
// server stops.
void GetEvents(ConsoleServer::State& state, Response& response) {
  if (++state.eventStreams > ConsoleServer::State::kMaxEventStreams) {
    --state.eventStreams;
    return Refuse(response, 503, "too many event streams");
  }
  auto feed = std::make_shared<ConsoleEventFeed>(state.host);
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider(
      "text/event-stream",
      [&state, feed](size_t, httplib::DataSink& sink) {
        for (int poll = 0; poll < kKeepAlivePolls && !state.stopping; ++poll) {
          if (const std::string events = feed->Poll(); !events.empty())
            return sink.write(events.data(), events.size());
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
