#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "audio/LCodecAdpcm.h"

class LWaveFileFormat;

// IMA ADPCM in WAVE blocks (format tag 0x11): per channel a 4-byte header
// (first sample, step index, 0), then per channel 4-byte words of eight
// 4-bit codes, lowest nibble first, the channels' words taking turns.
class LCodecImaAdpcm : public LCodecAdpcm {
 public:
  static constexpr uint16_t kTag = 0x11;
  static constexpr uint16_t kMaxChannels = 2;

  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& ima, bool decode);
  // Blocks of 256 bytes per channel, doubled per 11025 Hz of rate.
  static bool Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels);

  LCodecImaAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock, bool decode);

 protected:
  void Reset() override { index_.fill(0); }

 private:
  uint32_t FramesIn(uint32_t bytes) const override;
  void DecodeBlock(const uint8_t* in, uint8_t* out, uint32_t frames) const override;
  void EncodeBlock(const uint8_t* in, uint8_t* out) override;

  std::array<int, kMaxChannels> index_{};  // encoder step index, carried across blocks
};
