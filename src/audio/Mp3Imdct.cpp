#include "audio/Mp3Imdct.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Tables.h"

namespace {

constexpr double kAliasCoefficients[8] = {-0.6,   -0.535, -0.33,   -0.185,
                                          -0.095, -0.041, -0.0142, -0.0037};

// sums[c] = the sum over rows k of input(k) * table[k][c], input by input,
// the running sums held in vector registers rather than memory.
template <typename Lanes, int kRows, int kColumns, typename Input>
void ColumnSums(const float (&table)[kRows][kColumns], Input input, float (&sums)[kColumns]) {
  constexpr int kLanes = sizeof(Lanes) / sizeof(float);
  Lanes parts[kColumns / kLanes] = {};
  for (int k = 0; k < kRows; ++k) {
    const float value = input(k);
    for (int part = 0; part < kColumns / kLanes; ++part) {
      Lanes factors;
      std::memcpy(&factors, &table[k][kLanes * part], sizeof factors);
      parts[part] += value * factors;
    }
  }
  std::memcpy(sums, parts, sizeof sums);
}

}  // namespace

const Mp3Imdct& Mp3Imdct::Instance() {
  static const Mp3Imdct instance(Mp3BestIsa());  // read-only after construction
  return instance;
}

Mp3Imdct::Mp3Imdct(Mp3Isa isa)
    : run_(isa == Mp3Isa::kAvx2 ? &Mp3Imdct::RunAvx2 : &Mp3Imdct::RunBaseline) {
  for (int row = 0; row < 18; ++row) {
    const int i = row < 9 ? row : row + 9;  // 0..8, then 18..26
    for (int k = 0; k < 18; ++k) {
      longCos_[k][row] = static_cast<float>(std::cos(M_PI / 72.0 * (2 * i + 19) * (2 * k + 1)));
    }
  }
  for (int i = 0; i < 12; ++i) {
    for (int k = 0; k < 6; ++k) {
      shortCos_[k][i] = static_cast<float>(std::cos(M_PI / 24.0 * (2 * i + 7) * (2 * k + 1)));
    }
  }
  for (int i = 0; i < 36; ++i) {
    const double longSine = std::sin(M_PI / 36.0 * (i + 0.5));
    windows_[0][i] = static_cast<float>(longSine);
    windows_[1][i] = static_cast<float>(i < 18   ? longSine
                                        : i < 24 ? 1.0
                                        : i < 30 ? std::sin(M_PI / 12.0 * (i - 18 + 0.5))
                                                 : 0.0);
    windows_[3][i] = static_cast<float>(i < 6    ? 0.0
                                        : i < 12 ? std::sin(M_PI / 12.0 * (i - 6 + 0.5))
                                        : i < 18 ? 1.0
                                                 : longSine);
    windows_[2][i] = i < 12 ? static_cast<float>(std::sin(M_PI / 12.0 * (i + 0.5))) : 0.0f;
  }
  for (int i = 0; i < 8; ++i) {
    const double root = std::sqrt(1.0 + kAliasCoefficients[i] * kAliasCoefficients[i]);
    aliasCs_[i] = static_cast<float>(1.0 / root);
    aliasCa_[i] = static_cast<float>(kAliasCoefficients[i] / root);
  }
  // Short lines arrive band by band, window by window; the IMDCT wants each
  // subband's 18 lines as 6 frequencies of 3 interleaved windows.
  for (int rate = 0; rate < 9; ++rate) {
    for (int mixed = 0; mixed < 2; ++mixed) {
      int16_t* map = reorder_[rate][mixed];
      for (int i = 0; i < kMp3GranuleLines; ++i) map[i] = static_cast<int16_t>(i);
      const int16_t* bands = kMp3ShortBands[rate];
      for (int sfb = mixed != 0 ? 3 : 0; sfb < 13; ++sfb) {
        const int width = bands[sfb + 1] - bands[sfb];
        const int start = 3 * bands[sfb];
        for (int window = 0; window < 3; ++window) {
          for (int f = 0; f < width; ++f) {
            map[start + window * width + f] = static_cast<int16_t>(start + 3 * f + window);
          }
        }
      }
    }
  }
}

int Mp3Imdct::ShortExtent(int rateIndex, int nonzero) {
  const int16_t* bands = kMp3ShortBands[rateIndex];
  int sfb = 1;
  while (sfb < 13 && 3 * bands[sfb] < nonzero) ++sfb;
  return 3 * bands[sfb];
}

void Mp3Imdct::Reorder(const Mp3GranuleInfo& info, int rateIndex, float* lines) const {
  float reordered[kMp3GranuleLines];
  const int16_t* map = reorder_[rateIndex][info.mixed ? 1 : 0];
  for (int i = 0; i < kMp3GranuleLines; ++i) reordered[map[i]] = lines[i];
  std::memcpy(lines, reordered, sizeof reordered);
}

int Mp3Imdct::ReduceAliasing(const Mp3GranuleInfo& info, float* lines, int nonzero) const {
  if (info.IsShort() && !info.mixed) return std::min(kSubbands, (nonzero + kSlots - 1) / kSlots);
  // Mixed blocks only between the two long subbands; each butterfly spans
  // 8 lines either side of a subband boundary.
  const int last = info.IsShort() ? 1 : std::min(kSubbands - 1, (nonzero + 7) / kSlots);
  for (int sb = 1; sb <= last; ++sb) {
    float* boundary = lines + kSlots * sb;
    for (int i = 0; i < 8; ++i) {
      const float below = boundary[-1 - i];
      const float above = boundary[i];
      boundary[-1 - i] = below * aliasCs_[i] - above * aliasCa_[i];
      boundary[i] = above * aliasCs_[i] + below * aliasCa_[i];
    }
  }
  return std::min(kSubbands, std::max((nonzero + kSlots - 1) / kSlots, last + 1));
}

template <typename Lanes>
void Mp3Imdct::LongBlock(const float* in, int blockType, float* overlap, float* out) const {
  // All 18 distinct outputs at once.
  float sums[kLongColumns];
  ColumnSums<Lanes>(longCos_, [in](int k) { return in[k]; }, sums);
  float x[36];
  for (int row = 0; row < 9; ++row) {
    x[row] = sums[row];
    x[17 - row] = -sums[row];
    x[row + 18] = sums[row + 9];
    x[35 - row] = sums[row + 9];  // 53 - (row + 18)
  }
  const float* window = windows_[blockType == 2 ? 0 : blockType];
  for (int i = 0; i < 18; ++i) {
    out[i] = x[i] * window[i] + overlap[i];
    overlap[i] = x[i + 18] * window[i + 18];
  }
}

template <typename Lanes>
void Mp3Imdct::ShortBlock(const float* in, float* overlap, float* out) const {
  float z[36] = {};
  const float* window = windows_[2];
  for (int w = 0; w < 3; ++w) {
    // The 12 outputs of one window at once.
    float sums[kShortColumns];
    ColumnSums<Lanes>(shortCos_, [in, w](int k) { return in[3 * k + w]; }, sums);
    for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += sums[i] * window[i];
  }
  for (int i = 0; i < 18; ++i) {
    out[i] = z[i] + overlap[i];
    overlap[i] = z[i + 18];
  }
}

void Mp3Imdct::Process(const Mp3GranuleInfo& info, int rateIndex, float* lines, int nonzero,
                       float* overlap, float out[kSubbands][kRowLength]) const {
  (this->*run_)(info, rateIndex, lines, nonzero, overlap, out);
}

void Mp3Imdct::RunBaseline(const Mp3GranuleInfo& info, int rateIndex, float* lines, int nonzero,
                           float* overlap, float out[kSubbands][kRowLength]) const {
  Run<Mp3Lanes4>(info, rateIndex, lines, nonzero, overlap, out);
}

void Mp3Imdct::RunAvx2(const Mp3GranuleInfo& info, int rateIndex, float* lines, int nonzero,
                       float* overlap, float out[kSubbands][kRowLength]) const {
  Run<Mp3Lanes8>(info, rateIndex, lines, nonzero, overlap, out);
}

template <typename Lanes>
void Mp3Imdct::Run(const Mp3GranuleInfo& info, int rateIndex, float* lines, int nonzero,
                   float* overlap, float out[kSubbands][kRowLength]) const {
  if (info.IsShort()) {
    Reorder(info, rateIndex, lines);
    nonzero = ShortExtent(rateIndex, nonzero);
  }
  const int active = ReduceAliasing(info, lines, nonzero);
  for (int sb = 0; sb < kSubbands; ++sb) {
    float slots[kSlots];
    float* carry = overlap + kSlots * sb;
    if (sb >= active) {
      std::memcpy(slots, carry, sizeof slots);  // silent input: only the overlap remains
      std::fill(carry, carry + kSlots, 0.0f);
    } else if (info.IsShort() && !(info.mixed && sb < 2)) {
      ShortBlock<Lanes>(lines + kSlots * sb, carry, slots);
    } else {
      LongBlock<Lanes>(lines + kSlots * sb, info.mixed && sb < 2 ? 0 : info.blockType, carry,
                       slots);
    }
    const bool invert = (sb & 1) != 0;  // odd subbands: every other slot negated
    for (int t = 0; t < kSlots; ++t) out[sb][t] = invert && (t & 1) != 0 ? -slots[t] : slots[t];
  }
}
