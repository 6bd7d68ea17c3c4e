#pragma once

#include <cstdint>
#include <string>

// The call's own values that parameter expansion and the number check fall
// back on: what the line reported for the current call.
struct LCallIdentity {
  std::string callerNumber;
  std::string callerName;
  std::string did;   // the dialled number
  uint32_t drn = 0;  // distinctive ring number
};
