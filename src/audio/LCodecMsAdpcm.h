#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/LCodecAdpcm.h"

class LWaveFileFormat;

// Microsoft ADPCM (format tag 2): per block and channel a predictor number,
// a starting step and the two first samples, then 4-bit codes high nibble
// first, channels alternating. The predictor coefficients travel in the
// descriptor's extra bytes.
class LCodecMsAdpcm : public LCodecAdpcm {
 public:
  static constexpr uint16_t kTag = 2;
  static constexpr uint16_t kMaxChannels = 2;
  static constexpr uint16_t kMaxCoefficients = 256;

  struct Coefficients {
    int32_t first;   // weight of the previous sample, in 1/256
    int32_t second;  // weight of the one before it
  };

  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& adpcm, bool decode);
  // Blocks of 256 bytes per channel doubled per 11025 Hz; the 7 standard
  // coefficient pairs.
  static bool Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels);

  LCodecMsAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock,
                std::vector<Coefficients> coefficients, bool decode);

 private:
  uint32_t FramesIn(uint32_t bytes) const override;
  void DecodeBlock(const uint8_t* in, uint8_t* out, uint32_t frames) const override;
  void EncodeBlock(const uint8_t* in, uint8_t* out) override;
  // Encodes one channel with predictor `p`; writes the codes when `out` is
  // given and returns the squared error.
  int64_t EncodeChannel(const uint8_t* in, uint32_t c, uint32_t p, int32_t delta,
                        uint8_t* out) const;

  std::vector<Coefficients> coefficients_;
};
