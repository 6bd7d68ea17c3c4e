#pragma once

#include <cstdint>
#include <memory>

#include "audio/LCodecStream.h"
#include "audio/Mp3FrameDecoder.h"

// Decodes MPEG Layer III frames held in a WAVE file (format tag 0x55) into
// 16-bit PCM. Bytes that start no frame of the file's rate and channel
// count are passed over; a frame is converted once it is whole.
class Mp3CodecDecoder final : public LCodecStream {
 public:
  Mp3CodecDecoder(uint32_t rate, uint16_t channels);

  uint32_t SourceSizeFor(uint32_t destBytes) const override;
  uint32_t DestSizeFor(uint32_t sourceBytes) const override;
  bool Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed, uint8_t* dest,
               uint32_t destBytes, uint32_t& destUsed, Mode mode) override;

 private:
  uint32_t FrameOutputBytes() const { return samplesPerFrame_ * channels_ * 2u; }

  uint32_t rate_;
  uint16_t channels_;
  uint32_t samplesPerFrame_;
  std::unique_ptr<Mp3FrameDecoder> decoder_;
  std::unique_ptr<int32_t[]> pcm_;
};
