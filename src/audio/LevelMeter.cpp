#include "audio/LevelMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kReferenceMeanSquare = 8388626.0;

uint32_t Peak(const int32_t* samples, int32_t count, int stride) {
  int64_t peak = 0;
  for (int32_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int64_t{samples[i * stride]}));
  return static_cast<uint32_t>(peak);
}

// The squares are summed in two parts (above and below bit 13) and combined
// by a division that cannot overflow, so even full 32-bit samples give the
// exact rounded-down mean.
uint64_t MeanSquare(const int32_t* samples, int32_t count, int stride) {
  if (count <= 0) return 0;
  uint64_t high = 0;
  uint64_t low = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t scaled = samples[i * stride] >> 5;
    const uint64_t square = static_cast<uint64_t>(scaled * scaled);
    high += square >> 13;
    low += square & 0x1FFF;
  }
  const uint64_t n = static_cast<uint64_t>(count);
  return (high / n << 13) + (((high % n) << 13) + low) / n;
}

}  // namespace

uint32_t PeakLevel(const int32_t* samples, int32_t count) { return Peak(samples, count, 1); }

uint32_t PeakLevel(const int32_t* samples, int32_t frames, int channels, int channel) {
  return Peak(samples + channel, frames, channels);
}

uint64_t MeanSquareLevel(const int32_t* samples, int32_t count) {
  return MeanSquare(samples, count, 1);
}

uint64_t MeanSquareLevel(const int32_t* samples, int32_t frames, int channels, int channel) {
  return MeanSquare(samples + channel, frames, channels);
}

int MeanSquareDb(uint64_t meanSquare) {
  if (meanSquare == 0) return -127;
  const double db = 10.0 * std::log10(static_cast<double>(meanSquare) / kReferenceMeanSquare);
  const double rounded = meanSquare < 8388626 ? std::trunc(db - 0.5) : std::trunc(db + 0.5);
  return static_cast<int>(std::clamp(rounded, -127.0, 127.0));
}
