#include "audio/LCodecMsAdpcm.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"

namespace {

constexpr std::array<int32_t, 16> kAdapt = {230, 230, 230, 230, 307, 409, 512, 614,
                                            768, 614, 512, 409, 307, 230, 230, 230};
constexpr std::array<LCodecMsAdpcm::Coefficients, 7> kStandard = {
    {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}};
constexpr int32_t kMinDelta = 16;
// Far above anything an encoder reaches; keeps garbage from overflowing.
constexpr int32_t kMaxDelta = 1 << 20;

struct Channel {
  LCodecMsAdpcm::Coefficients weights;
  int32_t delta;
  int32_t sample1;  // the latest sample
  int32_t sample2;

  int32_t Predict() const {
    // 64-bit: damaged coefficients may reach the full 16-bit range.
    return static_cast<int32_t>((static_cast<int64_t>(sample1) * weights.first +
                                 static_cast<int64_t>(sample2) * weights.second) >>
                                8);
  }
  void Apply(int code, int32_t predicted) {
    const int32_t signedCode = code >= 8 ? code - 16 : code;
    sample2 = sample1;
    sample1 = Saturate16(static_cast<int32_t>(
        std::clamp<int64_t>(predicted + static_cast<int64_t>(signedCode) * delta, -32768, 32767)));
    delta = std::clamp((kAdapt[code] * delta) >> 8, kMinDelta, kMaxDelta);
  }
};

uint32_t MsBlockSamples(uint32_t blockAlign, uint32_t channels) {
  return (blockAlign - 7 * channels) * 2 / channels + 2;
}

}  // namespace

std::unique_ptr<LCodecStream> LCodecMsAdpcm::Open(const LWaveFileFormat& adpcm, bool decode) {
  const uint16_t channels = adpcm.Channels();
  const uint16_t align = adpcm.BlockAlign();
  if (adpcm.Tag() != kTag || adpcm.BitsPerSample() != 4 || channels < 1 ||
      channels > kMaxChannels || align < 7u * channels || adpcm.ExtraSize() < 4) {
    return nullptr;
  }
  const uint8_t* extra = adpcm.Extra();
  const uint32_t perBlock = LoadLeU16(extra);
  const uint32_t count = LoadLeU16(extra + 2);
  if (perBlock < 2 || !PlausibleBlock(perBlock, MsBlockSamples(align, channels)) || count < 1 ||
      count > kMaxCoefficients || adpcm.ExtraSize() < 4 + 4 * count) {
    return nullptr;
  }
  std::vector<Coefficients> coefficients(count);
  for (uint32_t i = 0; i < count; ++i) {
    coefficients[i] = {LoadLe16(extra + 4 + 4 * i), LoadLe16(extra + 6 + 4 * i)};
  }
  return std::make_unique<LCodecMsAdpcm>(channels, align, static_cast<uint16_t>(perBlock),
                                         std::move(coefficients), decode);
}

bool LCodecMsAdpcm::Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels) {
  if (channels < 1 || channels > kMaxChannels) return false;
  const uint32_t align = StandardBlockAlign(rate, channels);
  const uint32_t perBlock = MsBlockSamples(align, channels);
  SetBlockLayout(format, rate, align, perBlock);
  std::array<uint8_t, 4 + 4 * kStandard.size()> extra{};
  StoreLe16(extra.data(), static_cast<int32_t>(perBlock));
  StoreLe16(extra.data() + 2, static_cast<int32_t>(kStandard.size()));
  for (std::size_t i = 0; i < kStandard.size(); ++i) {
    StoreLe16(extra.data() + 4 + 4 * i, kStandard[i].first);
    StoreLe16(extra.data() + 6 + 4 * i, kStandard[i].second);
  }
  return format.SetExtra(extra.data(), static_cast<uint16_t>(extra.size()));
}

LCodecMsAdpcm::LCodecMsAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock,
                             std::vector<Coefficients> coefficients, bool decode)
    : LCodecAdpcm(channels, blockAlign, samplesPerBlock, decode),
      coefficients_(std::move(coefficients)) {}

uint32_t LCodecMsAdpcm::FramesIn(uint32_t bytes) const {
  return bytes < 7u * Channels() ? 0 : MsBlockSamples(bytes, Channels());
}

void LCodecMsAdpcm::DecodeBlock(const uint8_t* in, uint8_t* out, uint32_t frames) const {
  std::array<Channel, kMaxChannels> state{};
  const uint32_t last = static_cast<uint32_t>(coefficients_.size()) - 1;
  for (uint32_t c = 0; c < Channels(); ++c) {
    // A predictor number past the table is a damaged block: use the last pair.
    state[c] = {coefficients_[std::min<uint32_t>(in[c], last)],
                std::clamp<int32_t>(LoadLe16(in + Channels() + 2 * c), kMinDelta, kMaxDelta),
                LoadLe16(in + 3 * Channels() + 2 * c), LoadLe16(in + 5 * Channels() + 2 * c)};
    StoreLe16(out + 2 * c, state[c].sample2);
    if (frames > 1) StoreLe16(out + 2 * Channels() + 2 * c, state[c].sample1);
  }
  const uint8_t* codes = in + 7 * Channels();
  for (uint32_t frame = 2, k = 0; frame < frames; ++frame) {
    for (uint32_t c = 0; c < Channels(); ++c, ++k) {
      const int code = (k & 1) ? codes[k / 2] & 0x0F : codes[k / 2] >> 4;
      state[c].Apply(code, state[c].Predict());
      StoreLe16(out + 2u * (frame * Channels() + c), state[c].sample1);
    }
  }
}

void LCodecMsAdpcm::EncodeBlock(const uint8_t* in, uint8_t* out) {
  std::memset(out, 0, BlockAlign());
  const uint32_t stride = 2u * Channels();
  for (uint32_t c = 0; c < Channels(); ++c) {
    const int32_t sample2 = LoadLe16(in + 2 * c);
    const int32_t sample1 = SamplesPerBlock() > 1 ? LoadLe16(in + stride + 2 * c) : sample2;
    // Start the step near a quarter of the first difference, then keep the
    // predictor with the least squared error over the block.
    const int32_t first = SamplesPerBlock() > 2 ? LoadLe16(in + 2 * stride + 2 * c) : sample1;
    const int32_t delta =
        std::clamp((first - sample1 < 0 ? sample1 - first : first - sample1) / 4, kMinDelta, 32767);
    uint32_t best = 0;
    int64_t bestError = INT64_MAX;
    for (uint32_t p = 0; p < coefficients_.size(); ++p) {
      const int64_t error = EncodeChannel(in, c, p, delta, nullptr);
      if (error < bestError) {
        bestError = error;
        best = p;
      }
    }
    out[c] = static_cast<uint8_t>(best);
    StoreLe16(out + Channels() + 2 * c, delta);
    StoreLe16(out + 3 * Channels() + 2 * c, sample1);
    StoreLe16(out + 5 * Channels() + 2 * c, sample2);
    EncodeChannel(in, c, best, delta, out + 7 * Channels());
  }
}

int64_t LCodecMsAdpcm::EncodeChannel(const uint8_t* in, uint32_t c, uint32_t p, int32_t delta,
                                     uint8_t* out) const {
  const uint32_t stride = 2u * Channels();
  Channel channel{coefficients_[p], delta, LoadLe16(in + stride + 2 * c), LoadLe16(in + 2 * c)};
  int64_t error = 0;
  for (uint32_t frame = 2; frame < SamplesPerBlock(); ++frame) {
    const int32_t x = LoadLe16(in + frame * stride + 2 * c);
    const int32_t predicted = channel.Predict();
    const int32_t diff = x - predicted;
    const int32_t half = channel.delta / 2;
    const int32_t code = std::clamp((diff + (diff < 0 ? -half : half)) / channel.delta, -8, 7);
    channel.Apply(code & 0x0F, predicted);
    const int64_t miss = x - channel.sample1;
    error += miss * miss;
    if (out != nullptr) {
      const uint32_t k = (frame - 2) * Channels() + c;
      out[k / 2] |= static_cast<uint8_t>((k & 1) ? code & 0x0F : (code & 0x0F) << 4);
    }
  }
  return error;
}
