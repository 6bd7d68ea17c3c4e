#include "audio/Mp3Dequantizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/Mp3Huffman.h"
#include "audio/Mp3ScaleFactors.h"
#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Tables.h"

const Mp3Dequantizer& Mp3Dequantizer::Instance() {
  static const Mp3Dequantizer instance;  // read-only after construction
  return instance;
}

Mp3Dequantizer::Mp3Dequantizer() {
  for (int i = 0; i <= kMaxValue; ++i) power43_[i] = static_cast<float>(std::pow(i, 4.0 / 3.0));
  for (int q = kMinQuarters; q <= kMaxQuarters; ++q) {
    quarterPowers_[q - kMinQuarters] = static_cast<float>(std::exp2(q * 0.25));
  }
}

float Mp3Dequantizer::QuarterPower(int quarters) const {
  return quarterPowers_[std::clamp(quarters, kMinQuarters, kMaxQuarters) - kMinQuarters];
}

int Mp3Dequantizer::DecodeValues(Mp3BitReader& bits, std::size_t end, const Mp3GranuleInfo& info,
                              int* values) const {
  const Mp3Huffman& huffman = Mp3Huffman::Instance();
  const int big = info.bigValues * 2;
  const int region1 = std::min(info.region1Start, big);
  const int region2 = std::max(std::min(info.region2Start, big), region1);
  huffman.DecodePairs(bits, info.tableSelect[0], region1 / 2, values);
  huffman.DecodePairs(bits, info.tableSelect[1], (region2 - region1) / 2, values + region1);
  huffman.DecodePairs(bits, info.tableSelect[2], (big - region2) / 2, values + region2);
  const int line =
      big + huffman.DecodeQuads(bits, info.count1Table, end, values + big, kMp3GranuleLines - big);
  std::fill(values + line, values + kMp3GranuleLines, 0);
  return line;
}

void Mp3Dequantizer::ScaleRun(const int* values, int from, int to, float gain, float* lines) const {
  for (int i = from; i < to; ++i) {
    const int v = values[i];
    const float magnitude = power43_[std::min(std::abs(v), kMaxValue)] * gain;
    lines[i] = std::copysign(magnitude, static_cast<float>(v));  // no branch on the sign
  }
}

void Mp3Dequantizer::Requantize(const int* values, int count, const Mp3GranuleInfo& info,
                             const Mp3ScaleFactors& factors, int rateIndex, float* lines) const {
  const int base = info.globalGain - 210;
  const int shift = info.scalefacScale ? 4 : 2;  // quarter powers per scale-factor step
  const int16_t* longBands = kMp3LongBands[rateIndex];
  const int16_t* shortBands = kMp3ShortBands[rateIndex];
  std::fill(lines, lines + kMp3GranuleLines, 0.0f);
  const int longEnd = info.IsShort() ? (info.mixed ? kMp3MixedLongLines : 0) : kMp3GranuleLines;
  for (int sfb = 0; sfb < 22 && longBands[sfb] < std::min(longEnd, count); ++sfb) {
    const int pre = info.preflag ? kMp3Pretab[sfb] : 0;
    const float gain = QuarterPower(base - shift * (factors.longBand[sfb] + pre));
    ScaleRun(values, longBands[sfb], std::min<int>({longBands[sfb + 1], longEnd, count}), gain,
             lines);
  }
  if (!info.IsShort()) return;
  for (int sfb = info.mixed ? 3 : 0; sfb < 13; ++sfb) {
    const int width = shortBands[sfb + 1] - shortBands[sfb];
    const int start = 3 * shortBands[sfb];
    if (start >= count) break;
    for (int window = 0; window < 3; ++window) {
      const float gain = QuarterPower(base - 8 * info.subblockGain[window] -
                                      shift * factors.shortBand[sfb][window]);
      const int from = start + window * width;
      ScaleRun(values, from, std::min(from + width, count), gain, lines);
    }
  }
}
