#include "audio/LCodecStream.h"

#include "audio/LCodecG711.h"
#include "audio/LCodecGsm.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LCodecMp3.h"
#include "audio/LCodecMsAdpcm.h"
#include "audio/LCodecPcm.h"
#include "audio/LWaveFileFormat.h"

namespace {

constexpr uint32_t kMaxRate = 196000;

bool IsPcm16(const LWaveFileFormat& format) {
  return format.Tag() == LWaveFileFormat::kTagPcm && format.BitsPerSample() == 16 &&
         format.BlockAlign() == 2u * format.Channels();
}

// The codec side picks the class; each class checks its own descriptor.
std::unique_ptr<LCodecStream> OpenCodec(const LWaveFileFormat& codec, bool decode) {
  switch (codec.Tag()) {
    case LWaveFileFormat::kTagPcm:
      return LCodecPcm::Open(codec, decode);
    case LCodecG711::kTagALaw:
    case LCodecG711::kTagMuLaw:
      return LCodecG711::Open(codec, decode);
    case LCodecImaAdpcm::kTag:
      return LCodecImaAdpcm::Open(codec, decode);
    case LCodecMsAdpcm::kTag:
      return LCodecMsAdpcm::Open(codec, decode);
    case LCodecGsm::kTag:
      return LCodecGsm::Open(codec, decode);
    case LCodecMp3::kTag:
      return LCodecMp3::Open(codec, decode);
    default:
      return nullptr;
  }
}

}  // namespace

std::unique_ptr<LCodecStream> LCodecStream::Open(const LWaveFileFormat& from,
                                                 const LWaveFileFormat& to) {
  if (from.Channels() != to.Channels() || from.SamplesPerSec() != to.SamplesPerSec() ||
      from.Channels() < 1 || from.Channels() > 255 || from.SamplesPerSec() < 1 ||
      from.SamplesPerSec() > kMaxRate) {
    return nullptr;
  }
  if (IsPcm16(to)) return OpenCodec(from, true);
  if (IsPcm16(from)) return OpenCodec(to, false);
  return nullptr;
}
