#pragma once

#include <cstddef>

#include "audio/Mp3BitReader.h"

struct Mp3GranuleInfo;
struct Mp3ScaleFactors;

// The spectrum of one granule of one channel: Huffman decoding of the
// quantised values, then requantisation to 576 spectral lines.
class Mp3Dequantizer {
 public:
  static const Mp3Dequantizer& Instance();

  // Decodes the big-value and count1 regions up to bit `end` into
  // `values[576]`; returns the number of lines that may be nonzero.
  int DecodeValues(Mp3BitReader& bits, std::size_t end, const Mp3GranuleInfo& info,
                   int* values) const;
  // Scales `values` (the first `count` of 576) into `lines[576]`, in the
  // bitstream's order (short blocks band by band, window by window).
  void Requantize(const int* values, int count, const Mp3GranuleInfo& info,
                  const Mp3ScaleFactors& factors, int rateIndex, float* lines) const;

 private:
  Mp3Dequantizer();
  // 2^(quarters / 4) from the table.
  float QuarterPower(int quarters) const;
  // Scales lines [from, to) by `gain`.
  void ScaleRun(const int* values, int from, int to, float gain, float* lines) const;

  static constexpr int kMaxValue = 8206;  // 15 + 2^13 - 1
  float power43_[kMaxValue + 1];
  // Gains 2^(q / 4) over every q a stream can give: the global gain less
  // 210 is at most 45, and from -600 down the float gain is 0.
  static constexpr int kMinQuarters = -600;
  static constexpr int kMaxQuarters = 45;
  float quarterPowers_[kMaxQuarters - kMinQuarters + 1];
};
