#include "audio/LCodecImaAdpcm.h"

#include <algorithm>
#include <cstring>

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"

namespace {

constexpr std::array<int16_t, 89> kStep = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 8> kIndexShift = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kMaxIndex = 88;

// One channel's predictor; the encoder runs the decoder's steps on its own
// codes so both stay in step.
struct Predictor {
  int32_t sample = 0;
  int index = 0;

  void Apply(int code) {
    const int32_t step = kStep[index];
    int32_t diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    sample = Saturate16((code & 8) ? sample - diff : sample + diff);
    index = std::clamp(index + kIndexShift[code & 7], 0, kMaxIndex);
  }

  int Encode(int32_t x) {
    int32_t diff = x - sample;
    int code = 0;
    if (diff < 0) {
      code = 8;
      diff = -diff;
    }
    int32_t step = kStep[index];
    for (int bit = 4; bit > 0; bit >>= 1, step >>= 1) {
      if (diff >= step) {
        code |= bit;
        diff -= step;
      }
    }
    Apply(code);
    return code;
  }
};

uint32_t ImaBlockSamples(uint32_t blockAlign, uint32_t channels) {
  return (blockAlign - 4 * channels) / (4 * channels) * 8 + 1;
}

}  // namespace

std::unique_ptr<LCodecStream> LCodecImaAdpcm::Open(const LWaveFileFormat& ima, bool decode) {
  const uint16_t channels = ima.Channels();
  const uint16_t align = ima.BlockAlign();
  if (ima.Tag() != kTag || ima.BitsPerSample() != 4 || channels < 1 || channels > kMaxChannels ||
      align < 4u * channels) {
    return nullptr;
  }
  const uint32_t capacity = ImaBlockSamples(align, channels);
  const uint32_t perBlock = ima.ExtraSize() >= 2 ? LoadLeU16(ima.Extra()) : capacity;
  if (perBlock < 1 || !PlausibleBlock(perBlock, capacity)) return nullptr;
  return std::make_unique<LCodecImaAdpcm>(channels, align, static_cast<uint16_t>(perBlock), decode);
}

bool LCodecImaAdpcm::Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels) {
  if (channels < 1 || channels > kMaxChannels) return false;
  const uint32_t align = StandardBlockAlign(rate, channels);
  const uint32_t perBlock = ImaBlockSamples(align, channels);
  SetBlockLayout(format, rate, align, perBlock);
  uint8_t extra[2];
  StoreLe16(extra, static_cast<int32_t>(perBlock));
  return format.SetExtra(extra, sizeof extra);
}

LCodecImaAdpcm::LCodecImaAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock,
                               bool decode)
    : LCodecAdpcm(channels, blockAlign, samplesPerBlock, decode) {}

uint32_t LCodecImaAdpcm::FramesIn(uint32_t bytes) const {
  return bytes < 4u * Channels() ? 0 : ImaBlockSamples(bytes, Channels());
}

void LCodecImaAdpcm::DecodeBlock(const uint8_t* in, uint8_t* out, uint32_t frames) const {
  const uint32_t stride = 2u * Channels();
  for (uint32_t c = 0; c < Channels(); ++c) {
    Predictor predictor{LoadLe16(in + 4 * c), std::min<int>(in[4 * c + 2], kMaxIndex)};
    StoreLe16(out + 2 * c, predictor.sample);
    for (uint32_t frame = 1; frame < frames; ++frame) {
      const uint32_t group = (frame - 1) / 8;
      const uint32_t nibble = (frame - 1) % 8;
      const uint8_t byte = in[4u * Channels() + (group * Channels() + c) * 4 + nibble / 2];
      predictor.Apply((nibble & 1) ? byte >> 4 : byte & 0x0F);
      StoreLe16(out + frame * stride + 2 * c, predictor.sample);
    }
  }
}

void LCodecImaAdpcm::EncodeBlock(const uint8_t* in, uint8_t* out) {
  std::memset(out, 0, BlockAlign());
  const uint32_t stride = 2u * Channels();
  for (uint32_t c = 0; c < Channels(); ++c) {
    Predictor predictor{LoadLe16(in + 2 * c), index_[c]};
    StoreLe16(out + 4 * c, predictor.sample);
    out[4 * c + 2] = static_cast<uint8_t>(predictor.index);
    for (uint32_t frame = 1; frame < SamplesPerBlock(); ++frame) {
      const uint32_t group = (frame - 1) / 8;
      const uint32_t nibble = (frame - 1) % 8;
      const int code = predictor.Encode(LoadLe16(in + frame * stride + 2 * c));
      out[4u * Channels() + (group * Channels() + c) * 4 + nibble / 2] |=
          static_cast<uint8_t>((nibble & 1) ? code << 4 : code);
    }
    index_[c] = predictor.index;
  }
}
