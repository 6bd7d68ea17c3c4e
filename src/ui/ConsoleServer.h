#pragma once

#include <memory>
#include <string>

#include "ui/ConsoleConfig.h"
#include "ui/ConsoleHost.h"

// The web console's HTTP server: static pages and the JSON API with its
// event stream, answered on threads of its own. The engine starts it after
// its control server and stops it (or destroys it) before its main loop
// goes away.
class ConsoleServer {
 public:
  ConsoleServer(ConsoleHost host, ConsoleConfig config);
  ~ConsoleServer();
  ConsoleServer(const ConsoleServer&) = delete;
  ConsoleServer& operator=(const ConsoleServer&) = delete;

  // Binds the first free port from the configured one and starts serving.
  // False, with the reason in `error`, when the address needs a password
  // that is not set or no port could be bound.
  bool Start(std::string& error);
  // Ends the event streams and the server; waits for its threads.
  void Stop();

  // "http://127.0.0.1:8080/" once started; "" before.
  std::string Address() const;
  int Port() const;
  const ConsoleConfig& Config() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};
