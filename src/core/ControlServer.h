#pragma once

#include <functional>
#include <memory>

#include "core/ControlProtocol.h"
#include "core/ControlSocket.h"
#include "core/LThread.h"

// Answers the control socket on a worker thread, one connection at a time:
// reads the request line (2000 ms at most), hands a well-formed request to
// the handler and writes the handler's reply. Requests from other users are
// refused (the socket's mode already keeps them out; root may still come).
// The handler runs on this thread; the engine's hands the message to its
// main loop with a bounded wait, so the body never blocks past its stop.
class ControlServer final : public LThread {
 public:
  static constexpr int kRequestTimeoutMs = 2000;
  using Handler = std::function<control::Reply(const LMessage&)>;

  ControlServer(std::unique_ptr<ControlEndpoint> endpoint, Handler handler);
  ~ControlServer() override;

 protected:
  void ThreadFunction() override;

 private:
  void Serve(int fd);

  std::unique_ptr<ControlEndpoint> endpoint_;
  Handler handler_;
};
