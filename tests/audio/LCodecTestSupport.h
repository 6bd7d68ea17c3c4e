#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/LCodecBytes.h"
#include "audio/LCodecStream.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFileFormat.h"

namespace codec_test {

inline LWaveFileFormat Described(uint16_t tag, uint32_t rate, uint16_t channels, uint16_t bits) {
  LWaveFileFormat format;
  LSupportedFormats::Fill({tag, rate, channels, bits, ""}, format);
  return format;
}

inline LWaveFileFormat Pcm16(const LWaveFileFormat& like) {
  return LWaveFileFormat::Pcm(like.SamplesPerSec(), like.Channels(), 16);
}

inline std::unique_ptr<LCodecStream> Encoder(const LWaveFileFormat& format) {
  return LCodecStream::Open(Pcm16(format), format);
}
inline std::unique_ptr<LCodecStream> Decoder(const LWaveFileFormat& format) {
  return LCodecStream::Open(format, Pcm16(format));
}

// Drives a stream the way the WAVE source and sink do: a source buffer that
// is topped up `chunk` bytes at a time, block-aligned conversion into an
// output buffer sized by DestSizeFor, the rest kept; at the end flushes
// until the input is used up.
inline std::vector<uint8_t> ConvertAll(LCodecStream& stream, const std::vector<uint8_t>& input,
                                       uint32_t chunk = 16384) {
  std::vector<uint8_t> pending;
  std::vector<uint8_t> output;
  std::vector<uint8_t> dest(stream.DestSizeFor(chunk * 2));
  std::size_t offset = 0;
  for (;;) {
    const std::size_t take = std::min<std::size_t>(chunk, input.size() - offset);
    pending.insert(pending.end(), input.begin() + offset, input.begin() + offset + take);
    offset += take;
    const bool last = offset == input.size();
    uint32_t used = 0;
    uint32_t produced = 0;
    const auto mode = last ? LCodecStream::Mode::kEnd : LCodecStream::Mode::kBlockAlign;
    if (!stream.Convert(pending.data(), static_cast<uint32_t>(pending.size()), used, dest.data(),
                        static_cast<uint32_t>(dest.size()), produced, mode)) {
      break;
    }
    output.insert(output.end(), dest.begin(), dest.begin() + produced);
    pending.erase(pending.begin(), pending.begin() + used);
    if (last && (pending.empty() || used == 0)) break;
  }
  return output;
}

inline std::vector<uint8_t> ToBytes(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes(samples.size() * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) StoreLe16(&bytes[2 * i], samples[i]);
  return bytes;
}

inline std::vector<int16_t> ToSamples(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = LoadLe16(&bytes[2 * i]);
  return samples;
}

// A mono tone (or, for two channels, the tone left and a fifth above right).
inline std::vector<int16_t> Tone(uint32_t rate, int channels, std::size_t frames, double hz,
                                 double amplitude = 12000) {
  std::vector<int16_t> samples(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double f = hz * (c == 0 ? 1.0 : 1.5);
      samples[i * channels + c] =
          static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * f * i / rate)));
    }
  }
  return samples;
}

// Signal-to-noise ratio in dB of `decoded` against `original` over their
// common length, skipping `skip` leading samples.
inline double Snr(const std::vector<int16_t>& original, const std::vector<int16_t>& decoded,
                  std::size_t skip = 0) {
  double signal = 0;
  double noise = 0;
  const std::size_t n = std::min(original.size(), decoded.size());
  for (std::size_t i = skip; i < n; ++i) {
    signal += static_cast<double>(original[i]) * original[i];
    const double d = static_cast<double>(original[i]) - decoded[i];
    noise += d * d;
  }
  return 10 * std::log10(signal / std::max(noise, 1.0));
}

}  // namespace codec_test
