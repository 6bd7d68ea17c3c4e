#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

// Refused requests are logged now and then, not once a packet: a source is
// logged again only after kQuietMs, and at most kMaxSources are kept in
// mind (a flood from ever new addresses waits for room).
class SipRefusalLog {
 public:
  static constexpr uint64_t kQuietMs = 600000;
  static constexpr size_t kMaxSources = 256;

  // Whether a refusal of `source` at `nowMs` is to be logged.
  bool ShouldLog(const std::string& source, uint64_t nowMs);

 private:
  std::unordered_map<std::string, uint64_t> lastLogged_;
};
