#include "mail/smtp/SmtpConnection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "core/Trace.h"
#include "mail/smtp/HostAddress.h"
#include "mail/smtp/SliceWaiter.h"

namespace {

using Step = TlsSession::Step;

short EventsFor(Step step) { return step == Step::kWantWrite ? POLLOUT : POLLIN; }

bool Retry(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

ProcessResult SmtpConnection::Connect(const std::string& host, int port, int timeoutMs,
                                      std::string& error) {
  tls_.reset();
  socket_.Reset();
  SliceWaiter waiter(progress_, kConnectSliceMs, timeoutMs);
  HostAddress address;
  ProcessResult result = HostAddress::Resolve(host, port, waiter, address);
  if (result != kProcessDone) {
    error = "the name cannot be resolved";
    return result;
  }

  socket_.Reset(::socket(address.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!socket_.Valid()) {
    error = std::strerror(errno);
    return kProcessFailed;
  }
  if (::connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address.address),
                address.length) != 0 &&
      errno != EINPROGRESS) {
    error = std::strerror(errno);
    Trace("SmtpConnection::Connect %s: %s", host.c_str(), error.c_str());
    socket_.Reset();
    return kProcessFailed;
  }
  result = waiter.Wait(socket_.Get(), POLLOUT);
  int failure = 0;
  socklen_t length = sizeof failure;
  if (result == kProcessDone &&
      (::getsockopt(socket_.Get(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0 || failure != 0)) {
    error = std::strerror(failure);
    Trace("SmtpConnection::Connect %s: %s", host.c_str(), error.c_str());
    result = kProcessFailed;
  } else if (result == kProcessFailed) {
    error = "no answer in time";
  }
  if (result != kProcessDone) socket_.Reset();
  return result;
}

ProcessResult SmtpConnection::StartTls(const std::string& host, bool verify, int timeoutMs,
                                       std::string& error) {
  if (!socket_.Valid()) return kProcessFailed;
  tls_ = std::make_unique<TlsSession>();
  if (!tls_->Begin(socket_.Get(), host, verify, error)) return kProcessFailed;
  SliceWaiter waiter(progress_, kSliceMs, timeoutMs);
  for (;;) {
    const Step step = tls_->Handshake();
    if (step == Step::kDone) return kProcessDone;
    if (step != Step::kWantRead && step != Step::kWantWrite) {
      error = tls_->FailureReason();
      return kProcessFailed;
    }
    const ProcessResult waited = waiter.Wait(socket_.Get(), EventsFor(step));
    if (waited != kProcessDone) {
      error = "no answer in time";
      return waited;
    }
  }
}

ProcessResult SmtpConnection::Send(std::string_view bytes, int timeoutMs) {
  while (!bytes.empty()) {
    if (progress_.IsCancelled()) return kProcessCancelled;
    const std::string_view piece = bytes.substr(0, kSendPiece);
    ProcessResult result = SendPiece(piece, timeoutMs);
    if (result != kProcessDone) return result;
    bytes.remove_prefix(piece.size());
  }
  return kProcessDone;
}

ProcessResult SmtpConnection::SendPiece(std::string_view piece, int timeoutMs) {
  if (!socket_.Valid()) return kProcessFailed;
  SliceWaiter waiter(progress_, kSliceMs, timeoutMs);
  while (!piece.empty()) {
    short waitFor = POLLOUT;
    if (tls_) {
      size_t put = 0;
      const Step step = tls_->Write(piece.data(), piece.size(), put);
      if (step == Step::kDone) {
        piece.remove_prefix(put);
        continue;
      }
      if (step != Step::kWantRead && step != Step::kWantWrite) return kProcessFailed;
      waitFor = EventsFor(step);
    } else {
      const ssize_t put = ::send(socket_.Get(), piece.data(), piece.size(), MSG_NOSIGNAL);
      if (put > 0) piece.remove_prefix(static_cast<size_t>(put));
      if (put >= 0 && piece.empty()) break;
      if (put < 0 && !Retry(errno)) return kProcessFailed;
    }
    ProcessResult result = waiter.Wait(socket_.Get(), waitFor);
    if (result != kProcessDone) return result;
  }
  return kProcessDone;
}

ProcessResult SmtpConnection::Receive(char* buffer, size_t max, size_t& got, int timeoutMs) {
  got = 0;
  if (!socket_.Valid() || max == 0) return kProcessFailed;
  return tls_ ? ReceiveTls(buffer, max, got, timeoutMs) : ReceivePlain(buffer, max, got, timeoutMs);
}

ProcessResult SmtpConnection::ReceivePlain(char* buffer, size_t max, size_t& got, int timeoutMs) {
  SliceWaiter waiter(progress_, kSliceMs, timeoutMs);
  for (;;) {
    const ssize_t read = ::recv(socket_.Get(), buffer, max, 0);
    if (read > 0) {
      got = static_cast<size_t>(read);
      return kProcessDone;
    }
    if (read == 0 || !Retry(errno)) return kProcessFailed;
    ProcessResult result = waiter.Wait(socket_.Get(), POLLIN);
    if (result != kProcessDone) return result;
  }
}

ProcessResult SmtpConnection::ReceiveTls(char* buffer, size_t max, size_t& got, int timeoutMs) {
  SliceWaiter waiter(progress_, kSliceMs, timeoutMs);
  for (;;) {
    if (progress_.IsCancelled()) return kProcessCancelled;
    const Step step = tls_->Read(buffer, max, got);
    if (step == Step::kDone && got > 0) return kProcessDone;
    if (step != Step::kDone && step != Step::kWantRead && step != Step::kWantWrite) {
      return kProcessFailed;
    }
    if (step == Step::kDone || tls_->Pending()) continue;
    ProcessResult result = waiter.Wait(socket_.Get(), EventsFor(step));
    if (result != kProcessDone) return result;
  }
}
