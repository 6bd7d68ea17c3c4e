#include "audio/LCodecG711.h"

#include <array>

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"

namespace {

// Position of the highest set bit of a positive value.
int HighBit(int32_t x) {
  int bit = 0;
  while (x >>= 1) ++bit;
  return bit;
}

constexpr int32_t kMuBias = 0x84;
constexpr int32_t kMuClip = 32635;

constexpr int16_t DecodeALaw(uint8_t code) {
  const int a = code ^ 0x55;
  const int segment = (a >> 4) & 7;
  int32_t magnitude = ((a & 0x0F) << 4) + 8;
  if (segment > 0) magnitude = (magnitude + 0x100) << (segment - 1);
  return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

constexpr int16_t DecodeMuLaw(uint8_t code) {
  const int u = static_cast<uint8_t>(~code);
  const int32_t magnitude = ((((u & 0x0F) << 3) + kMuBias) << ((u >> 4) & 7)) - kMuBias;
  return static_cast<int16_t>((u & 0x80) ? -magnitude : magnitude);
}

template <int16_t (*Decode)(uint8_t)>
constexpr std::array<int16_t, 256> MakeTable() {
  std::array<int16_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = Decode(static_cast<uint8_t>(i));
  return table;
}

constexpr std::array<int16_t, 256> kALaw = MakeTable<DecodeALaw>();
constexpr std::array<int16_t, 256> kMuLaw = MakeTable<DecodeMuLaw>();

}  // namespace

uint8_t LCodecG711::ALawFromLinear(int16_t v) {
  // 13-bit magnitude; negative values map -1 -> 0 so both signs get 4096 steps.
  int32_t x = v >> 3;
  uint8_t mask = 0xD5;
  if (x < 0) {
    mask = 0x55;
    x = -x - 1;
  }
  if (x > 0xFFF) return static_cast<uint8_t>(0x7F ^ mask);
  const int segment = x < 0x20 ? 0 : HighBit(x) - 4;
  const int mantissa = (segment < 2 ? x >> 1 : x >> segment) & 0x0F;
  return static_cast<uint8_t>(((segment << 4) | mantissa) ^ mask);
}

int16_t LCodecG711::LinearFromALaw(uint8_t a) { return kALaw[a]; }

uint8_t LCodecG711::MuLawFromLinear(int16_t v) {
  // As for A-law, negative values map -1 -> 0 (one's complement).
  const int sign = v < 0 ? 0x80 : 0;
  int32_t x = v < 0 ? ~static_cast<int32_t>(v) : v;
  if (x > kMuClip) x = kMuClip;
  x += kMuBias;
  const int segment = HighBit(x) - 7;
  const int mantissa = (x >> (segment + 3)) & 0x0F;
  return static_cast<uint8_t>(~(sign | (segment << 4) | mantissa));
}

int16_t LCodecG711::LinearFromMuLaw(uint8_t u) { return kMuLaw[u]; }

std::unique_ptr<LCodecStream> LCodecG711::Open(const LWaveFileFormat& g711, bool decode) {
  const uint16_t tag = g711.Tag();
  if ((tag != kTagALaw && tag != kTagMuLaw) || g711.BitsPerSample() != 8 ||
      g711.BlockAlign() != g711.Channels()) {
    return nullptr;
  }
  return std::make_unique<LCodecG711>(tag == kTagALaw, g711.Channels(), decode);
}

bool LCodecG711::Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels) {
  format.SetBitsPerSample(8);
  format.SetBlockAlign(channels);
  format.SetAvgBytesPerSec(rate * channels);
  return format.SetExtra(nullptr, 0);
}

LCodecG711::LCodecG711(bool aLaw, uint16_t channels, bool decode)
    : LCodecBlockStream(channels, 2u * channels, decode), aLaw_(aLaw), channels_(channels) {}

bool LCodecG711::ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) {
  const uint32_t samples = count * channels_;
  const std::array<int16_t, 256>& table = aLaw_ ? kALaw : kMuLaw;
  for (uint32_t i = 0; i < samples; ++i) {
    if (Decoding()) {
      StoreLe16(out + 2 * i, table[in[i]]);
    } else {
      const int16_t v = LoadLe16(in + 2 * i);
      out[i] = aLaw_ ? ALawFromLinear(v) : MuLawFromLinear(v);
    }
  }
  return true;
}
