#pragma once

#include <vector>

#include "telephony/SipHostPort.h"

// What the far end's SDP says about a call's audio stream.
struct SipMediaDescription {
  static constexpr int kPcmu = 0;
  static constexpr int kPcma = 8;

  // Where RTP goes; unset while the call is on hold or before an answer.
  SipHostPort remote;
  // The far end's payload types in its order of preference.
  std::vector<int> payloadTypes;
  // The first of PCMU or PCMA in the far end's order; -1 when neither.
  int audioPayloadType = -1;
  // The far end's telephone-event (RFC 4733) type; -1 when not offered.
  int telephoneEventPayloadType = -1;
};
