#include "mail/smtp/TlsSession.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>

namespace {

bool IsAddress(const std::string& host) {
  unsigned char buffer[sizeof(in6_addr)];
  return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

}  // namespace

TlsSession::~TlsSession() {
  if (ssl_) SSL_free(ssl_);
  if (context_) SSL_CTX_free(context_);
}

bool TlsSession::Begin(int fd, const std::string& host, bool verify, std::string& error) {
  ERR_clear_error();
  verify_ = verify;
  context_ = SSL_CTX_new(TLS_client_method());
  if (!context_ || SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION) != 1 ||
      (verify && SSL_CTX_set_default_verify_paths(context_) != 1)) {
    error = "TLS could not be set up";
    return false;
  }
  SSL_CTX_set_verify(context_, verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
  ssl_ = SSL_new(context_);
  if (!ssl_ || SSL_set_fd(ssl_, fd) != 1) {
    error = "TLS could not be set up";
    return false;
  }
  // Names get SNI and a name check; an address is checked as an address.
  const bool address = IsAddress(host);
  if (!address) SSL_set_tlsext_host_name(ssl_, host.c_str());
  if (verify) {
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    const int set = address ? X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str())
                            : X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
    if (set != 1) {
      error = "TLS could not be set up for the host " + host;
      return false;
    }
  }
  SSL_set_mode(ssl_, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  return true;
}

TlsSession::Step TlsSession::StepOf(int returned) {
  switch (SSL_get_error(ssl_, returned)) {
    case SSL_ERROR_NONE:
      return Step::kDone;
    case SSL_ERROR_WANT_READ:
      return Step::kWantRead;
    case SSL_ERROR_WANT_WRITE:
      return Step::kWantWrite;
    case SSL_ERROR_ZERO_RETURN:
      return Step::kClosed;
    default:
      lastError_ = ERR_peek_last_error();
      ERR_clear_error();
      return Step::kFailed;
  }
}

TlsSession::Step TlsSession::Handshake() { return StepOf(SSL_connect(ssl_)); }

TlsSession::Step TlsSession::Read(char* buffer, size_t max, size_t& got) {
  got = 0;
  const int returned = SSL_read_ex(ssl_, buffer, max, &got);
  return returned == 1 ? Step::kDone : StepOf(returned);
}

TlsSession::Step TlsSession::Write(const char* bytes, size_t length, size_t& put) {
  put = 0;
  const int returned = SSL_write_ex(ssl_, bytes, length, &put);
  return returned == 1 ? Step::kDone : StepOf(returned);
}

bool TlsSession::Pending() const { return ssl_ && SSL_pending(ssl_) > 0; }

std::string TlsSession::FailureReason() const {
  if (verify_ && ssl_ && SSL_get_verify_result(ssl_) != X509_V_OK) {
    return std::string("certificate not accepted: ") +
           X509_verify_cert_error_string(SSL_get_verify_result(ssl_));
  }
  if (lastError_ != 0) {
    char text[256];
    ERR_error_string_n(lastError_, text, sizeof text);
    return text;
  }
  return "the connection was closed";
}

std::string TlsSession::Description() const {
  if (!ssl_) return {};
  return std::string(SSL_get_version(ssl_)) + " " + SSL_get_cipher_name(ssl_);
}
