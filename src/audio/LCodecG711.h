#pragma once

#include <cstdint>
#include <memory>

#include "audio/LCodecBlockStream.h"

class LWaveFileFormat;

// G.711 A-law (format tag 6) and mu-law (tag 7): one byte per sample.
class LCodecG711 : public LCodecBlockStream {
 public:
  static constexpr uint16_t kTagALaw = 6;
  static constexpr uint16_t kTagMuLaw = 7;

  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& g711, bool decode);
  static bool Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels);

  static uint8_t ALawFromLinear(int16_t v);
  static int16_t LinearFromALaw(uint8_t a);
  static uint8_t MuLawFromLinear(int16_t v);
  static int16_t LinearFromMuLaw(uint8_t u);

  LCodecG711(bool aLaw, uint16_t channels, bool decode);

 protected:
  bool ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) override;

 private:
  bool aLaw_;
  uint16_t channels_;
};
