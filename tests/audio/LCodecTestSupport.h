#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "TestSources.h"
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

// Streams between `format` and 16-bit PCM of its rate and channels.
inline LWaveFileFormat PcmOf(const LWaveFileFormat& f) { return LWaveFileFormat::Pcm(f.SamplesPerSec(), f.Channels(), 16); }
inline std::unique_ptr<LCodecStream> Encoder(const LWaveFileFormat& f) { return LCodecStream::Open(PcmOf(f), f); }
inline std::unique_ptr<LCodecStream> Decoder(const LWaveFileFormat& f) { return LCodecStream::Open(f, PcmOf(f)); }

// Drives a stream the way the WAVE source and sink do: input topped up
// `chunk` bytes at a time, block-aligned conversion into an output buffer
// sized by DestSizeFor keeping the rest, then flushes at the end.
inline std::vector<uint8_t> ConvertAll(LCodecStream& stream, const std::vector<uint8_t>& input,
                                       uint32_t chunk = 16384) {
  std::vector<uint8_t> pending, output, dest(stream.DestSizeFor(chunk * 2));
  for (std::size_t offset = 0;;) {
    const std::size_t take = std::min<std::size_t>(chunk, input.size() - offset);
    pending.insert(pending.end(), input.begin() + offset, input.begin() + offset + take);
    offset += take;
    const bool last = offset == input.size();
    uint32_t used = 0, produced = 0;
    if (!stream.Convert(pending.data(), static_cast<uint32_t>(pending.size()), used, dest.data(),
                        static_cast<uint32_t>(dest.size()), produced,
                        last ? LCodecStream::Mode::kEnd : LCodecStream::Mode::kBlockAlign))
      break;
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
inline std::vector<int16_t> ToneSamples(int32_t rate, int channels, int32_t frames, double hz,
                                        double amplitude = 12000) {
  std::vector<int16_t> samples;
  for (int32_t i = 0; i < frames * channels; ++i) {
    const double f = hz * (i % channels == 0 ? 1.0 : 1.5);
    samples.push_back(static_cast<int16_t>(std::lround(SineAt(amplitude, f, rate, i / channels))));
  }
  return samples;
}

// Signal-to-noise ratio in dB of `decoded` against `original` over their
// common length, skipping `skip` leading samples.
inline double Snr(const std::vector<int16_t>& original, const std::vector<int16_t>& decoded,
                  std::size_t skip = 0) {
  double signal = 0, noise = 0;
  for (std::size_t i = skip; i < std::min(original.size(), decoded.size()); ++i) {
    signal += static_cast<double>(original[i]) * original[i];
    noise += (static_cast<double>(original[i]) - decoded[i]) * (original[i] - decoded[i]);
  }
  return 10 * std::log10(signal / std::max(noise, 1.0));
}

}  // namespace codec_test
