#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "audio/LProgress.h"
#include "audio/LProgressProcess.h"
#include "core/UniqueFd.h"
#include "mail/smtp/TlsSession.h"

// One non-blocking TCP connection to a mail server, in clear or TLS. Every
// wait is cut into slices (150 ms while connecting, 200 ms otherwise) with
// the stop request tested before each; results are 0 done, 1 stopped,
// 2 failed.
class SmtpConnection {
 public:
  static constexpr int kConnectSliceMs = 150;
  static constexpr int kSliceMs = 200;
  static constexpr size_t kSendPiece = 1024;

  explicit SmtpConnection(LProgress& progress) : progress_(progress) {}

  // On failure `error` says why ("the name cannot be resolved", ...).
  ProcessResult Connect(const std::string& host, int port, int timeoutMs, std::string& error);
  // Takes a connected non-blocking stream socket instead (a child's input).
  void Adopt(UniqueFd socket) {
    tls_.reset();
    socket_ = std::move(socket);
  }
  // Runs the TLS handshake on the connection; on failure `error` says why.
  ProcessResult StartTls(const std::string& host, bool verify, int timeoutMs, std::string& error);
  ProcessResult Send(std::string_view bytes, int timeoutMs);
  // Reads what is there (at least one byte, at most `max`); a closed
  // connection fails.
  ProcessResult Receive(char* buffer, size_t max, size_t& got, int timeoutMs);

  bool Secure() const { return tls_ != nullptr; }
  std::string TlsDescription() const { return tls_ ? tls_->Description() : std::string(); }

 private:
  ProcessResult SendPiece(std::string_view piece, int timeoutMs);
  ProcessResult ReceivePlain(char* buffer, size_t max, size_t& got, int timeoutMs);
  ProcessResult ReceiveTls(char* buffer, size_t max, size_t& got, int timeoutMs);

  LProgress& progress_;
  UniqueFd socket_;
  std::unique_ptr<TlsSession> tls_;
};
