#include "audio/LCodecPcm.h"

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"

namespace {

// Samples are left-justified in their containers, so only the top 16 bits
// count; wider samples round to the nearest 16-bit value.
int16_t Narrow(const uint8_t* p, uint32_t width) {
  if (width == 1) return static_cast<int16_t>((p[0] - 128) * 256);
  if (width == 2) return LoadLe16(p);
  return Saturate16(
      static_cast<int32_t>((static_cast<int64_t>(LoadLeftJustified(p, width)) + 0x8000) >> 16));
}

void Widen(int16_t v, uint8_t* p, uint32_t width) {
  if (width == 1) {
    const int32_t u = (v + 128) >> 8;
    p[0] = static_cast<uint8_t>((u > 127 ? 127 : u) + 128);
    return;
  }
  for (uint32_t i = 0; i + 2 < width; ++i) p[i] = 0;
  StoreLe16(p + width - 2, v);
}

}  // namespace

std::unique_ptr<LCodecStream> LCodecPcm::Open(const LWaveFileFormat& pcm, bool decode) {
  const uint16_t bits = pcm.BitsPerSample();
  if (pcm.Tag() != LWaveFileFormat::kTagPcm || bits < 1 || bits > 32) return nullptr;
  const uint32_t width = (bits + 7u) / 8u;
  if (pcm.BlockAlign() != width * pcm.Channels()) return nullptr;
  return std::make_unique<LCodecPcm>(width, pcm.Channels(), decode);
}

bool LCodecPcm::Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels, uint16_t bits) {
  if (bits < 1 || bits > 32) return false;
  const uint16_t align = static_cast<uint16_t>((bits + 7u) / 8u * channels);
  format.SetBitsPerSample(bits);
  format.SetBlockAlign(align);
  format.SetAvgBytesPerSec(rate * align);
  return format.SetExtra(nullptr, 0);
}

LCodecPcm::LCodecPcm(uint32_t width, uint16_t channels, bool decode)
    : LCodecBlockStream(width * channels, 2u * channels, decode),
      width_(width),
      channels_(channels) {}

bool LCodecPcm::ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) {
  const uint32_t samples = count * channels_;
  for (uint32_t i = 0; i < samples; ++i) {
    if (Decoding()) {
      StoreLe16(out + 2 * i, Narrow(in + width_ * i, width_));
    } else {
      Widen(LoadLe16(in + 2 * i), out + width_ * i, width_);
    }
  }
  return true;
}
