#include "audio/Mp3Synthesis.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "audio/Mp3SynthesisWindow.h"

namespace {

constexpr int FactorOffset(int n) {
  return n == 32 ? 0 : n == 16 ? 16 : n == 8 ? 24 : n == 4 ? 28 : 30;
}

// Unnormalised DCT-II in place, X[j] = sum x[k] cos(pi j (2k + 1) / 2N), by
// splitting into the sums and the scaled differences of mirrored inputs.
template <int N, typename Lanes>
[[gnu::always_inline]] inline void Dct(Lanes* x, const float* factors) {
  if constexpr (N == 1) {
    (void)x;
    (void)factors;
  } else {
    constexpr int kHalf = N / 2;
    Lanes even[kHalf];
    Lanes odd[kHalf];
    const float* f = factors + FactorOffset(N);
    for (int k = 0; k < kHalf; ++k) {
      even[k] = x[k] + x[N - 1 - k];
      odd[k] = (x[k] - x[N - 1 - k]) * f[k];
    }
    Dct<kHalf, Lanes>(even, factors);
    Dct<kHalf, Lanes>(odd, factors);
    for (int m = 0; m < kHalf - 1; ++m) {
      x[2 * m] = even[m];
      x[2 * m + 1] = odd[m] + odd[m + 1];
    }
    x[N - 2] = even[kHalf - 1];
    x[N - 1] = odd[kHalf - 1];
  }
}

// One slot's 32 DCT outputs `x` into the history and through the window
// to 32 samples at `dest`, `stride` apart.
[[gnu::always_inline]] inline void Window(const float* x, const float* window, float* history,
                                          int& offset, int32_t* dest, int stride) {
  constexpr int kSubbands = Mp3Synthesis::kSubbands;
  constexpr float kLimit = Mp3Synthesis::kLimit;
  // The 64 new history values from the DCT's 32 outputs.
  offset = (offset - 64) & 1023;
  float* v = history + offset;
  float* twin = v + 1024;
  for (int i = 0; i < 16; ++i) v[i] = twin[i] = x[16 + i];
  v[16] = twin[16] = 0.0f;
  for (int i = 17; i < 48; ++i) v[i] = twin[i] = -x[48 - i];
  for (int i = 48; i < 64; ++i) v[i] = twin[i] = -x[i - 48];
  float sum[kSubbands] = {};
  for (int i = 0; i < 8; ++i) {
    const float* a = v + 128 * i;
    const float* b = v + 128 * i + 96;
    const float* wa = window + 64 * i;
    const float* wb = window + 64 * i + 32;
    for (int j = 0; j < kSubbands; ++j) sum[j] += a[j] * wa[j] + b[j] * wb[j];
  }
  for (int j = 0; j < kSubbands; ++j) {
    dest[j * stride] = static_cast<int32_t>(std::clamp(sum[j], -kLimit, kLimit));
  }
}

// The filter bank over `slots` time slots, as many side by side as `Lanes`
// has lanes: the DCT runs on all of them with the very operations it would
// use on one. Compiled once per instruction set below.
template <typename Lanes>
[[gnu::always_inline]] inline void Filter(const float (*subbands)[Mp3Synthesis::kRowLength],
                                          int slots, int32_t* out, int stride, float* history,
                                          int& offset) {
  constexpr int kSubbands = Mp3Synthesis::kSubbands;
  constexpr int kLanes = sizeof(Lanes) / sizeof(float);
  const Mp3SynthesisWindow& tables = Mp3SynthesisWindow::Instance();
  const float* window = tables.window;
  for (int first = 0; first < slots; first += kLanes) {
    const int count = std::min(kLanes, slots - first);
    Lanes lanes[kSubbands];
    for (int k = 0; k < kSubbands; ++k)
      std::memcpy(&lanes[k], &subbands[k][first], sizeof lanes[k]);
    Dct<kSubbands, Lanes>(lanes, tables.dctFactors);
    float transformed[kLanes][kSubbands];
    for (int k = 0; k < kSubbands; ++k) {
      for (int lane = 0; lane < kLanes; ++lane) transformed[lane][k] = lanes[k][lane];
    }
    for (int lane = 0; lane < count; ++lane) {
      Window(transformed[lane], window, history, offset,
             out + static_cast<std::ptrdiff_t>(first + lane) * kSubbands * stride, stride);
    }
  }
}

void FilterBaseline(const float (*subbands)[Mp3Synthesis::kRowLength], int slots, int32_t* out,
                    int stride, float* history, int& offset) {
  Filter<Mp3Lanes4>(subbands, slots, out, stride, history, offset);
}

[[ZAVOTEL_MP3_AVX2]] void FilterAvx2(const float (*subbands)[Mp3Synthesis::kRowLength], int slots,
                                     int32_t* out, int stride, float* history, int& offset) {
  Filter<Mp3Lanes8>(subbands, slots, out, stride, history, offset);
}

}  // namespace

Mp3Synthesis::Mp3Synthesis(Mp3Isa isa)
    : filter_(isa == Mp3Isa::kAvx2 ? FilterAvx2 : FilterBaseline) {
  Reset();
}

void Mp3Synthesis::Reset() {
  std::fill(std::begin(history_), std::end(history_), 0.0f);
  offset_ = 0;
}

void Mp3Synthesis::Run(const float (*subbands)[kRowLength], int slots, int32_t* out, int stride) {
  filter_(subbands, slots, out, stride, history_, offset_);
}
