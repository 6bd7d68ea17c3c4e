#pragma once

#include <cstdint>
#include <memory>

#include "audio/LCodecBlockStream.h"

class LWaveFileFormat;

// Linear PCM of 1..32 bits in 1..4 byte containers (format tag 1) to and from
// 16-bit PCM: the files that the plain PCM sources do not read themselves.
class LCodecPcm : public LCodecBlockStream {
 public:
  // Null when the descriptor is not linear PCM this class can convert.
  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& pcm, bool decode);
  // Fills block align and average bytes for `bits` per sample.
  static bool Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels, uint16_t bits);

  LCodecPcm(uint32_t width, uint16_t channels, bool decode);

 protected:
  bool ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) override;

 private:
  uint32_t width_;  // container bytes per sample
  uint16_t channels_;
};
