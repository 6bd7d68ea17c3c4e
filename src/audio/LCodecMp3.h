#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "audio/LCodecStream.h"

class LWaveFileFormat;
struct lame_global_struct;

// MPEG Layer III encoding (format tag 0x55), constant bit rate. Output comes
// in whole frames of varying count, so this is no fixed-block codec.
// Decoding is done by Mp3CodecDecoder, which Open hands out.
class LCodecMp3 : public LCodecStream {
 public:
  static constexpr uint16_t kTag = 0x55;
  static constexpr uint16_t kExtraSize = 12;

  // Null for rates, channel counts or (encoding) bit rates (average bytes
  // × 8) that the format does not have.
  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& mp3, bool decode);
  // A bit rate fit for speech at `rate`; the frame layout in the extra bytes.
  static bool Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels);

  LCodecMp3(uint32_t rate, uint16_t channels, uint32_t kbps);
  ~LCodecMp3() override;
  LCodecMp3(const LCodecMp3&) = delete;
  LCodecMp3& operator=(const LCodecMp3&) = delete;

  bool IsReady() const { return lame_ != nullptr; }

  uint32_t SourceSizeFor(uint32_t destBytes) const override;
  uint32_t DestSizeFor(uint32_t sourceBytes) const override;
  bool Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed, uint8_t* dest,
               uint32_t destBytes, uint32_t& destUsed, Mode mode) override;

 private:
  static constexpr uint32_t kChunk = 1152;  // frames handed to the encoder at once

  void Restart();
  bool Encode(const uint8_t* source, uint32_t frames, uint8_t* dest, uint32_t room,
              uint32_t& produced);

  lame_global_struct* lame_ = nullptr;
  uint32_t rate_;
  uint16_t channels_;
  uint32_t kbps_;
  bool failed_ = false;
  std::array<int16_t, kChunk> left_{};
  std::array<int16_t, kChunk> right_{};
};
