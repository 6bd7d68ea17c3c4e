#pragma once

#include <cstdint>
#include <string>

// A numeric network address and port as text ("192.0.2.7", 5004); an empty
// host means none.
struct SipHostPort {
  std::string host;
  uint16_t port = 0;

  bool IsSet() const { return !host.empty() && port != 0; }
  bool operator==(const SipHostPort&) const = default;
};
