#pragma once

#include <openssl/ssl.h>

#include <cstddef>
#include <string>

// One TLS client session over a connected non-blocking socket. Each call
// does what it can without blocking and says what it waits for.
class TlsSession {
 public:
  enum class Step { kDone, kWantRead, kWantWrite, kClosed, kFailed };

  TlsSession() = default;
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Sets up the session for `host`: with `verify`, the certificate must chain
  // to the system's trusted roots and name the host. False (with `error`)
  // when OpenSSL cannot be set up.
  bool Begin(int fd, const std::string& host, bool verify, std::string& error);
  Step Handshake();
  Step Read(char* buffer, size_t max, size_t& got);
  Step Write(const char* bytes, size_t length, size_t& put);
  // Bytes already decrypted and waiting to be read.
  bool Pending() const;
  // Why the last handshake failed, for the error text.
  std::string FailureReason() const;
  // "TLSv1.3 TLS_AES_256_GCM_SHA384".
  std::string Description() const;

 private:
  Step StepOf(int returned);

  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
  bool verify_ = false;
  unsigned long lastError_ = 0;
};
