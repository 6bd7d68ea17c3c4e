#pragma once

#include <cstdint>

#include "audio/LCodecBlockStream.h"

class LWaveFileFormat;

// What the two ADPCM formats share: a block of `blockAlign` bytes holds
// `samplesPerBlock` frames, a header per channel first, and a cut-off last
// block still decodes the frames its complete codes hold.
class LCodecAdpcm : public LCodecBlockStream {
 protected:
  LCodecAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock, bool decode);

  // Whether a header's samples per block are at least half of what its block
  // can hold (and no more): with fewer, buffers sized in whole blocks grow to
  // half a gigabyte for 8192 frames of 64 KB blocks, and no encoder writes
  // blocks that empty.
  static bool PlausibleBlock(uint32_t samplesPerBlock, uint32_t capacity);
  // 256 bytes per channel times rate / 11025, kept within 1..4.
  static uint32_t StandardBlockAlign(uint32_t rate, uint16_t channels);
  // Sets the 4-bit depth, the block size and the byte rate it gives.
  static void SetBlockLayout(LWaveFileFormat& format, uint32_t rate, uint32_t blockAlign,
                             uint32_t samplesPerBlock);

  uint16_t Channels() const { return channels_; }
  uint16_t BlockAlign() const { return blockAlign_; }
  uint16_t SamplesPerBlock() const { return samplesPerBlock_; }

 private:
  bool ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) final;
  uint32_t ConvertTail(const uint8_t* in, uint32_t inBytes, uint8_t* out) final;

  // The frames a block of `bytes` bytes holds; 0 when it lacks the headers.
  virtual uint32_t FramesIn(uint32_t bytes) const = 0;
  // Decodes the first `frames` frames of the block at `in`.
  virtual void DecodeBlock(const uint8_t* in, uint8_t* out, uint32_t frames) const = 0;
  virtual void EncodeBlock(const uint8_t* in, uint8_t* out) = 0;

  uint16_t channels_;
  uint16_t blockAlign_;
  uint16_t samplesPerBlock_;
};
