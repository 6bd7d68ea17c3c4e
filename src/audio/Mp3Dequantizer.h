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
  // Scales lines [from, to) by `gain`.
  void ScaleRun(const int* values, int from, int to, float gain, float* lines) const;

  static constexpr int kMaxValue = 8206;  // 15 + 2^13 - 1
  float power43_[kMaxValue + 1];
};
