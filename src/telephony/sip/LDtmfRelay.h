#pragma once

#include <cstdint>
#include <string_view>

// A key sent in a SIP INFO request of type application/dtmf-relay, whose
// body is lines of "name=value": "Signal=5" and "Duration=160" (ms).
struct LDtmfRelay {
  // Bodies larger than this are refused unread.
  static constexpr size_t kMaxBody = 1024;

  char key = 0;
  uint32_t durationMs = 0;  // 0 when not given or not a number

  // Reads a body: names without case, spaces around names and values
  // ignored, LF or CRLF line ends, the first of a repeated name counts, other
  // names are skipped. The signal is a key (0-9 * # A-D, a-d) or its event
  // code 0-15. False when there is no signal that is a key, or the body is
  // too large or holds a NUL.
  static bool Parse(std::string_view body, LDtmfRelay& relay);
};
