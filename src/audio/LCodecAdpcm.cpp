#include "audio/LCodecAdpcm.h"

#include <algorithm>

#include "audio/LWaveFileFormat.h"

LCodecAdpcm::LCodecAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock,
                         bool decode)
    : LCodecBlockStream(blockAlign, 2u * channels * samplesPerBlock, decode),
      channels_(channels),
      blockAlign_(blockAlign),
      samplesPerBlock_(samplesPerBlock) {}

bool LCodecAdpcm::PlausibleBlock(uint32_t samplesPerBlock, uint32_t capacity) {
  return samplesPerBlock <= capacity && 2 * samplesPerBlock >= capacity;
}

uint32_t LCodecAdpcm::StandardBlockAlign(uint32_t rate, uint16_t channels) {
  return 256u * channels * std::max<uint32_t>(1, std::min<uint32_t>(rate / 11025, 4));
}

void LCodecAdpcm::SetBlockLayout(LWaveFileFormat& format, uint32_t rate, uint32_t blockAlign,
                                 uint32_t samplesPerBlock) {
  format.SetBitsPerSample(4);
  format.SetBlockAlign(static_cast<uint16_t>(blockAlign));
  format.SetAvgBytesPerSec(
      static_cast<uint32_t>(static_cast<uint64_t>(rate) * blockAlign / samplesPerBlock));
}

bool LCodecAdpcm::ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i, in += InBlock(), out += OutBlock()) {
    if (Decoding()) {
      DecodeBlock(in, out, samplesPerBlock_);
    } else {
      EncodeBlock(in, out);
    }
  }
  return true;
}

uint32_t LCodecAdpcm::ConvertTail(const uint8_t* in, uint32_t inBytes, uint8_t* out) {
  if (!Decoding()) return LCodecBlockStream::ConvertTail(in, inBytes, out);
  const uint32_t frames = std::min<uint32_t>(samplesPerBlock_, FramesIn(inBytes));
  if (frames == 0) return 0;
  DecodeBlock(in, out, frames);
  return frames * 2u * channels_;
}
