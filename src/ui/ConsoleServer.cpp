#include "ui/ConsoleServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "core/Trace.h"
#include "ui/ConsoleServerState.h"

ConsoleServer::ConsoleServer(ConsoleHost host, ConsoleConfig config)
    : state_(std::make_unique<State>(std::move(host), std::move(config))) {}

ConsoleServer::~ConsoleServer() { Stop(); }

bool ConsoleServer::Start(std::string& error) {
  State& state = *state_;
  const ConsoleConfig& config = state.config;
  if (state.thread.joinable()) return true;
  if (config.loginRequired && !state.sessions.HasPassword()) {
    error = "the console listens on " + config.address +
            " only with a password; set one with \"zavotel console-password\"";
    return false;
  }
  if (!state.http.is_valid()) {
    error = "the console's certificate or key cannot be used: " + config.certificateFile;
    return false;
  }
  // Only SO_REUSEADDR (a restart reuses its port at once): the library's
  // SO_REUSEPORT would let a second engine share a taken port, each taking
  // some of the browser's connections, instead of moving on to the next one.
  // A connection that sends nothing is handed over only once data comes, so
  // connecting alone takes no server thread (for that long).
  state.http.set_socket_options([](socket_t socket) {
    const int yes = 1, deferSeconds = State::kIdleSeconds;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    setsockopt(socket, IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
  });
  state.http.set_keep_alive_timeout(State::kIdleSeconds);
  state.http.set_read_timeout(State::kReadSeconds);
  if (config.firstPort <= 0) {
    state.port = state.http.bind_to_any_port(config.address);
  } else {
    for (int port = config.firstPort; port < config.firstPort + config.portTries; ++port) {
      if (port > 65535) break;
      if (state.http.bind_to_port(config.address, port)) {
        state.port = port;
        break;
      }
    }
  }
  if (state.port <= 0) {
    error = config.portTries == 1 ? "port " + std::to_string(config.firstPort) + " is taken on " + config.address
                                  : "no free port for the console on " + config.address + " from " +
                                        std::to_string(config.firstPort);
    state.port = 0;
    return false;
  }
  // Each route's own limit is held in the guard, before a body is read.
  state.http.set_payload_max_length(State::kMaxUploadBytes);
  state.http.set_pre_routing_handler(
      [&state](const httplib::Request& q, httplib::Response& r) { return console_server::Guard(state, q, r); });
  state.http.set_default_headers(console_server::SafetyHeaders(state.tls));
  // Answers hold callers' numbers and names, and the session's token.
  state.http.set_post_routing_handler([](const httplib::Request& q, httplib::Response& r) {
    if (q.path.rfind("/api/", 0) == 0 && !r.has_header("Cache-Control")) r.set_header("Cache-Control", "no-store");
  });
  console_server::AddRoutes(state);
  state.http.new_task_queue = [] { return new httplib::ThreadPool(State::kServerThreads); };
  state.thread = std::thread([&state] {
    if (!state.http.listen_after_bind()) Trace("console: the server ended with an error");
  });
  // A stop before the server runs would miss it and wait for it for ever.
  for (int waited = 0; waited < State::kStartWaitMs && !state.http.is_running(); ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void ConsoleServer::Stop() {
  State& state = *state_;
  if (!state.thread.joinable()) return;
  state.stopping = true;
  state.http.stop();
  state.thread.join();
}

std::string ConsoleServer::Address() const {
  const State& state = *state_;
  if (state.port <= 0) return "";
  return ConsoleUrl(state.config.address, state.port, state.tls);
}

int ConsoleServer::Port() const { return state_->port; }

const ConsoleConfig& ConsoleServer::Config() const { return state_->config; }
