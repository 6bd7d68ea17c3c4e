#include "telephony/rtp/RtpG711.h"

#include "audio/LCodecG711.h"

bool RtpG711Decode(uint8_t payloadType, std::span<const uint8_t> in, int16_t* out) {
  if (!IsRtpG711(payloadType)) return false;
  const bool muLaw = payloadType == kRtpPayloadPcmu;
  for (size_t i = 0; i < in.size(); ++i) {
    out[i] = muLaw ? LCodecG711::LinearFromMuLaw(in[i]) : LCodecG711::LinearFromALaw(in[i]);
  }
  return true;
}

bool RtpG711Encode(uint8_t payloadType, std::span<const int16_t> in, uint8_t* out) {
  if (!IsRtpG711(payloadType)) return false;
  const bool muLaw = payloadType == kRtpPayloadPcmu;
  for (size_t i = 0; i < in.size(); ++i) {
    out[i] = muLaw ? LCodecG711::MuLawFromLinear(in[i]) : LCodecG711::ALawFromLinear(in[i]);
  }
  return true;
}
