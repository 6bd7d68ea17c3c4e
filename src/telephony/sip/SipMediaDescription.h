#pragma once

#include <cstdint>
#include <vector>

#include "telephony/sip/SipHostPort.h"

// What the far end's SDP says about a call's audio stream.
struct SipMediaDescription {
  static constexpr int kPcmu = 0;
  static constexpr int kPcma = 8;
  // The clock of both G.711 laws, and so of the telephone-events we take.
  static constexpr uint32_t kAudioClockRate = 8000;

  // Where RTP goes; unset while the call is on hold or before an answer.
  SipHostPort remote;
  // The far end's payload types in its order of preference.
  std::vector<int> payloadTypes;
  // The first of PCMU or PCMA in the far end's order; -1 when neither.
  int audioPayloadType = -1;
  // The far end's telephone-event (RFC 4733) type at the audio's clock
  // rate (peers may offer several rates); -1 when not offered.
  int telephoneEventPayloadType = -1;
};
