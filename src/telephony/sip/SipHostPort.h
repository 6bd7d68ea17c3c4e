#pragma once

#include <cstdint>
#include <string>

// A numeric network address and port as text ("192.0.2.7", 5004); an empty
// host means none.
struct SipHostPort {
  std::string host;
  uint16_t port = 0;

  bool IsSet() const { return !host.empty() && port != 0; }
  // "host:port", an IPv6 host in brackets.
  std::string Text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
  }
  bool operator==(const SipHostPort&) const = default;
};
