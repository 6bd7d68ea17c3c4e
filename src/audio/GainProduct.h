#pragma once

#include <cstdint>
#include <limits>

// Fixed-point gains are Q24: 2^24 is unity.
inline constexpr int32_t kUnityGain = 1 << 24;

// x * gain / 2^24 as three partial products of the 12-bit halves, so that
// each product of in-range operands fits 32 bits; the low-half products are
// shifted down before they are added, which is the rounding every
// installation shares. The partials are formed in 64 bits only so that
// out-of-range operands saturate instead of overflowing.
constexpr int32_t GainProduct(int32_t x, int32_t gain) {
  const int64_t xHigh = x >> 12;
  const int64_t xLow = x & 0xFFF;
  const int64_t gHigh = gain >> 12;
  const int64_t gLow = gain & 0xFFF;
  const int64_t product = xHigh * gHigh + ((xLow * gHigh) >> 12) + ((xHigh * gLow) >> 12);
  if (product > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (product < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(product);
}

// Multiplies count samples in place by the same gain.
inline void ApplyGain(int32_t* samples, int32_t count, int32_t gain) {
  for (int32_t i = 0; i < count; ++i) samples[i] = GainProduct(samples[i], gain);
}
