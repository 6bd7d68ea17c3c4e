#include "audio/LSRCConvertRate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>

#include "audio/LevelMeter.h"
#include "core/Trace.h"

// The filter loops are also built for AVX2, which multiplies eight 32-bit
// samples at once; the loader picks that build where the processor has it.
// Integer sums give the same samples either way.
#if defined(__x86_64__) || defined(__i386__)
#define ZAVOTEL_CONVERT_CLONES gnu::target_clones("avx2", "default")
#else
#define ZAVOTEL_CONVERT_CLONES
#endif

namespace {

constexpr int32_t kLevelLimit = 1048576;  // above this the level is not doubled
constexpr double kMaxRatio = 256.0;       // beyond this the phase table cannot follow
constexpr int32_t kStreamingReserve = 8320;

// The modified Bessel function I0 by the first seven terms of its series.
double BesselI0(double z) {
  const double z2 = z * z;
  double term = z2 / 4.0;
  double sum = 1.0 + term;
  for (int k = 2; k <= 6; ++k) {
    term = term * z2 / (4.0 * k * k);
    sum += term;
  }
  return sum;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

LSRCConvertRate::LSRCConvertRate(LSoundSourceRef upstream, int32_t outputRate)
    : LSRCFilterBase(std::move(upstream)) {
  SetSampleRate(outputRate);
  // Ringing of the filter can overshoot the input peak.
  if (MaxLevel() <= kLevelLimit) SetMaxLevel(MaxLevel() * 2);
  const int32_t inputRate = Upstream().SampleRate();
  const double ratio = static_cast<double>(inputRate) / SampleRate();
  if (ratio > kMaxRatio || ratio < 1.0 / kMaxRatio) {
    // 63 taps cannot filter such a ratio and the phase steps would not fit;
    // the converter stays in step with its upstream but gives silence.
    Trace("LSRCConvertRate: cannot convert %d Hz to %d Hz", inputRate, SampleRate());
    SetError();
    silent_ = true;
  } else {
    ChoosePhases(ratio);
  }
  BuildCoefficients(inputRate, SampleRate());
  input_.assign(static_cast<size_t>(kBufferFrames) * Channels(), 0);
}

// The smallest denominator up to 255 that gives the ratio exactly (44100 to
// 8000 is 441 / 80), so that a file converts to exactly its length at the new
// rate; else the smallest that comes within 0.001 of it, else the best one.
void LSRCConvertRate::ChoosePhases(double ratio) {
  double best = ratio;
  int32_t close = 0;
  for (int32_t d = 1; d <= kMaxPhases; ++d) {
    const double error = std::fabs(ratio - std::trunc(ratio * d + 0.5) / d);
    if (error < 1e-12) {
      phases_ = d;
      close = 0;
      break;
    }
    if (error < 0.001 && close == 0) close = d;
    if (error < best) {
      best = error;
      phases_ = d;
    }
  }
  if (close != 0) phases_ = close;
  step_ = static_cast<int32_t>(std::trunc(phases_ * ratio + 0.5));  // at least 1 within 256:1
  wholeSteps_ = step_ / phases_;
}

// Kaiser-windowed sinc in Q16, one row per phase. Up-sampling keeps almost the
// whole input band; down-sampling cuts a little below the new Nyquist
// frequency with a steeper window.
void LSRCConvertRate::BuildCoefficients(int32_t inputRate, int32_t outputRate) {
  const bool up = inputRate < outputRate;
  // Down-sampling cuts 3/63 of the input band below the new Nyquist frequency;
  // beyond a ratio of 10.5 that would leave less than half the new band (and
  // none at all beyond 21), so the cut-off stays at least at half of it.
  const double band = static_cast<double>(outputRate) / inputRate;
  const double cutoff = up ? 1.0 - 1.6 / kTaps : std::max(band - 3.0 / kTaps, band / 2);
  const double beta = up ? 2.12 : 4.538;
  const double width = (kHalf + 1) * (kHalf + 1);
  const double scale = cutoff * 65536.0 / BesselI0(beta);
  const double pi = std::numbers::pi;
  coefficients_.resize(static_cast<size_t>(phases_) * kTaps);
  for (int32_t p = 0; p < phases_; ++p) {
    for (int k = 0; k < kTaps; ++k) {
      const double x = (k - kHalf) - static_cast<double>(p) / phases_;
      double c;
      if (x == 0) {
        c = std::trunc(cutoff * 65536.0 + 0.5);
      } else {
        const double arg = pi * cutoff * x;
        c = std::round(std::sin(arg) / arg * scale * BesselI0(beta * std::sqrt(1.0 - x * x / width)));
      }
      coefficients_[static_cast<size_t>(p) * kTaps + k] = static_cast<int32_t>(c);
    }
  }
}

// Keeps the last 63 frames as history in front of 8192 new ones and brings
// the buffer's peak below 32768 so that the products stay small.
void LSRCConvertRate::Refill() {
  const int channels = Channels();
  int32_t* buffer = input_.data();
  const int32_t restore = 1 << shift_;
  const int32_t* tail = buffer + static_cast<std::ptrdiff_t>(kBlock) * channels;
  for (int32_t i = 0; i < kTaps * channels; ++i) buffer[i] = tail[i] * restore;
  Upstream().Read(buffer + kTaps * channels, kBlock);
  Normalise();
  index_ -= kBlock;
}

void LSRCConvertRate::Normalise() {
  const int32_t count = kBufferFrames * Channels();
  const uint32_t peak = PeakLevel(input_.data(), count);
  shift_ = 0;
  while (shift_ < 15 && (peak >> shift_) >= 32768) ++shift_;
  outShift_ = 15 - shift_;
  rounding_ = (int64_t{1} << outShift_) / 2;
  if (shift_ == 0) return;
  // Every |x| ends at most 32768, which keeps each product with a coefficient
  // (below 65536) inside 32 bits. Only samples beyond 2^30, far outside any
  // chain's range, would need the clamp.
  const int64_t half = int64_t{1} << (shift_ - 1);
  for (int32_t& x : input_) x = static_cast<int32_t>(std::clamp<int64_t>((x + half) >> shift_, -32768, 32768));
}

// index += accumulator / Phases, accumulator %= Phases, without a division
// per frame: the accumulator is below Phases + Step here.
void LSRCConvertRate::Advance() {
  if (accumulator_ >= step_) {
    accumulator_ -= wholeSteps_ * phases_;
    index_ += wholeSteps_;
  }
  while (accumulator_ >= phases_) {
    accumulator_ -= phases_;
    ++index_;
  }
  while (index_ >= kBlock) Refill();
}

// The two half sums are shifted separately as every installation does; they
// are 64-bit because a full-scale input matched to the filter's signs can
// exceed 32 bits, where a 32-bit sum would wrap into a loud click. Each
// product fits 32 bits (see Normalise), which lets the loops vectorise.
int32_t LSRCConvertRate::Scale(int64_t low, int64_t high) const {
  return static_cast<int32_t>(((low >> 1) + (high >> 1) + rounding_) >> outShift_);
}

[[ZAVOTEL_CONVERT_CLONES]] void LSRCConvertRate::ReadMono(int32_t* out, int32_t frames) {
  for (int32_t f = 0; f < frames; ++f) {
    Advance();
    const int32_t* c = Coefficients(accumulator_);
    const int32_t* x = &input_[static_cast<size_t>(index_)];
    int64_t low = 0;
    int64_t high = 0;
    for (int k = 0; k <= kHalf; ++k) low += c[k] * x[k];
    for (int k = kHalf + 1; k < kTaps; ++k) high += c[k] * x[k];
    out[f] = Scale(low, high);
    accumulator_ += step_;
  }
}

[[ZAVOTEL_CONVERT_CLONES]] void LSRCConvertRate::ReadStereo(int32_t* out, int32_t frames) {
  for (int32_t f = 0; f < frames; ++f) {
    Advance();
    const int32_t* c = Coefficients(accumulator_);
    const int32_t* x = &input_[static_cast<size_t>(index_) * 2];
    int64_t low0 = 0, low1 = 0, high0 = 0, high1 = 0;
    for (int k = 0; k <= kHalf; ++k) {
      low0 += c[k] * x[2 * k];
      low1 += c[k] * x[2 * k + 1];
    }
    for (int k = kHalf + 1; k < kTaps; ++k) {
      high0 += c[k] * x[2 * k];
      high1 += c[k] * x[2 * k + 1];
    }
    out[2 * f] = Scale(low0, high0);
    out[2 * f + 1] = Scale(low1, high1);
    accumulator_ += step_;
  }
}

void LSRCConvertRate::Read(int32_t* buffer, int32_t frames) {
  if (Channels() > 2) return;
  if (Channels() == 1) {
    ReadMono(buffer, frames);
  } else {
    ReadStereo(buffer, frames);
  }
  if (silent_) std::fill_n(buffer, static_cast<size_t>(std::max(frames, 0)) * Channels(), 0);
}

// The input frame under tap 0 in phases, plus the phase already stepped, is
// exactly Step times the frames given out: a position that rounded the phase
// away would lag by a frame or two, and a sequence seeks when a part's
// position is not what it expects (with a block codec upstream, an audible
// skip at every read).
int32_t LSRCConvertRate::GetPosition() {
  const int64_t input = int64_t{Upstream().GetPosition()} - (kStartIndex - index_);
  return static_cast<int32_t>(FloorDiv(input * phases_ + accumulator_, step_));
}

int32_t LSRCConvertRate::GetEndSample() {
  int64_t end = int64_t{Upstream().GetEndSample()} * phases_ / step_;
  if (Upstream().IsStreaming()) end -= int64_t{kStreamingReserve} * phases_ / step_ + 32;
  return static_cast<int32_t>(end);
}

// Lands the upstream 31 frames before the input frame under the output frame,
// so that the 63 frames read here become the history of the next refill.
void LSRCConvertRate::Seek(int32_t frame) {
  const int64_t whole = FloorDiv(frame, phases_);
  const int64_t rest = (frame - whole * phases_) * step_;
  Upstream().Seek(static_cast<int32_t>(whole * step_ + rest / phases_ - kHalf));
  accumulator_ = static_cast<int32_t>(rest % phases_);
  Upstream().Read(&input_[static_cast<size_t>(kBlock) * Channels()], kTaps);
  index_ = kBlock;
  shift_ = 0;
}
