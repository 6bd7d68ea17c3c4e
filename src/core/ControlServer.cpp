#include "core/ControlServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

constexpr int kStopCheckMs = 200;

bool PeerMayControl(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
  return peer.uid == ::geteuid() || peer.uid == 0;
}

}  // namespace

ControlServer::ControlServer(std::unique_ptr<ControlEndpoint> endpoint, Handler handler)
    : endpoint_(std::move(endpoint)), handler_(std::move(handler)) {}

ControlServer::~ControlServer() { StopThreadTimed(kStopTimeoutMs); }

void ControlServer::ThreadFunction() {
  while (!IsToStop()) {
    pollfd entry{endpoint_->Fd(), POLLIN, 0};
    if (::poll(&entry, 1, kStopCheckMs) <= 0) continue;
    UniqueFd client(::accept4(endpoint_->Fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (client.Valid()) Serve(client.Get());
  }
}

void ControlServer::Serve(int fd) {
  control::Reply reply;
  if (!PeerMayControl(fd)) {
    reply.text = "not your engine";
  } else if (const std::optional<std::string> line = ReadControlLine(
                 fd, control::kMaxRequest, kRequestTimeoutMs, [this] { return IsToStop(); })) {
    control::ParsedRequest request = control::ParseRequest(*line);
    if (request.message) {
      reply = handler_(*request.message);
    } else {
      reply.text = request.error;
    }
  } else {
    reply.text = "no request line of at most 320 bytes";
  }
  if (!reply.ok) Trace("ControlServer request refused: %s", reply.text.c_str());
  WriteControlLine(fd, control::FormatReply(reply), kRequestTimeoutMs);
}
