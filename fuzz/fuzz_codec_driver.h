#pragma once

// Shared driver of the codec fuzz targets: the first bytes choose the
// descriptor (channels, block align, samples per block, coefficient count,
// bits), the rest is fed through a decoder and an encoder the way the WAVE
// source and sink drive them, with a restart in the middle. Any overrun or
// inconsistent count aborts.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "audio/LCodecBytes.h"
#include "audio/LCodecStream.h"
#include "audio/LWaveFileFormat.h"

namespace fuzz_codec {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

// Buffers are sized as the WAVE source (decoding) and sink (encoding) size
// them: 8192 frames of 16-bit PCM on the PCM side.
inline void Drive(LCodecStream& stream, const std::vector<uint8_t>& input, bool decode,
                  uint32_t channels, uint32_t chunk) {
  const uint32_t pcmBytes = 8192u * 2 * channels;
  const uint32_t destBytes = decode ? pcmBytes : stream.DestSizeFor(pcmBytes);
  const uint32_t capacity = decode ? stream.SourceSizeFor(pcmBytes) : pcmBytes;
  if (capacity == 0 || destBytes == 0) return;
  const uint32_t outUnit = decode ? 2 * channels : 1;
  std::vector<uint8_t> dest(destBytes);
  std::vector<uint8_t> source(capacity);
  uint32_t filled = 0;
  std::size_t offset = 0;
  int round = 0;
  for (;;) {
    const std::size_t take =
        std::min<std::size_t>({chunk, capacity - filled, input.size() - offset});
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), take, source.begin() + filled);
    filled += static_cast<uint32_t>(take);
    offset += take;
    const bool last = offset == input.size();
    const auto mode = ++round == 3 ? LCodecStream::Mode::kStart
                      : last       ? LCodecStream::Mode::kEnd
                                   : LCodecStream::Mode::kBlockAlign;
    uint32_t used = 0;
    uint32_t produced = 0;
    if (!stream.Convert(source.data(), filled, used, dest.data(), destBytes, produced, mode))
      return;
    Require(used <= filled && produced <= destBytes && produced % outUnit == 0);
    std::copy(source.begin() + used, source.begin() + filled, source.begin());
    filled -= used;
    if (last && (mode == LCodecStream::Mode::kEnd || used == 0)) return;
  }
}

// Decodes and encodes the input with a descriptor of one of `tags` made from
// its first bytes.
inline void Run(std::initializer_list<uint16_t> tags, const uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  LWaveFileFormat format;
  format.SetTag(tags.begin()[provider.ConsumeIntegralInRange<std::size_t>(0, tags.size() - 1)]);
  const auto channels = provider.ConsumeIntegralInRange<uint16_t>(0, 3);
  format.SetChannels(channels);
  format.SetSamplesPerSec(8000);
  format.SetBlockAlign(provider.ConsumeIntegral<uint16_t>());
  format.SetBitsPerSample(provider.ConsumeIntegralInRange<uint16_t>(0, 40));
  format.SetAvgBytesPerSec(provider.ConsumeIntegralInRange<uint32_t>(0, 40000));
  const std::vector<uint8_t> extra =
      provider.ConsumeBytes<uint8_t>(provider.ConsumeIntegralInRange<uint16_t>(0, 1100));
  format.SetExtra(extra.data(), static_cast<uint16_t>(extra.size()));
  const auto chunk = provider.ConsumeIntegralInRange<uint32_t>(1, 70000);
  const std::vector<uint8_t> input = provider.ConsumeRemainingBytes<uint8_t>();

  const LWaveFileFormat pcm = LWaveFileFormat::Pcm(8000, channels, 16);
  if (auto decoder = LCodecStream::Open(format, pcm)) Drive(*decoder, input, true, channels, chunk);
  if (auto encoder = LCodecStream::Open(pcm, format))
    Drive(*encoder, input, false, channels, chunk);
}

}  // namespace fuzz_codec
