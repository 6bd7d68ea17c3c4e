#include "telephony/dsp/LDtmfDetector.h"

#include <cmath>
#include <numbers>

#include "audio/LineRate.h"
#include "telephony/dsp/DtmfKeypad.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kWindow = 160;
constexpr double kBinWidth = kTwoPi / kWindow;

constexpr double kMinAmplitude = 400;        // per tone, about 38 dB below full scale
// Of the window's power in the two tones. Speech under a key takes a share
// in its loud moments; bench_talkoff finds no talk-off from 0.3 up.
constexpr double kPowerShare = 0.6;
constexpr double kPeakOverOthers = 0.5;      // other tones of a group at least 6 dB down
constexpr double kMaxNormalTwist = 2.818;    // 9 dB column over row
constexpr double kMaxReverseTwist = 1.778;   // 5 dB row over column
constexpr double kMaxDeviation = 0.02;    // of the key frequency
constexpr double kAccepted = 0.015;
constexpr int kPresentHops = 10;  // windows in a row that make a key
constexpr int kReleaseHops = 8;   // windows without it before it counts anew (20 ms)

// The Hann weight of each hop on average, for the window's power.
std::array<double, 8> HopWeights() {
  std::array<double, 8> weights{};
  for (int m = 0; m < kWindow; ++m) weights[m / 20] += (0.5 - 0.5 * std::cos(kBinWidth * m)) / 20;
  return weights;
}

// How much of a tone `bins` bin widths off its bin a Hann window keeps
// (at most about 0.8 bins here, so never near the zero at 2).
double HannResponse(double bins) {
  if (std::abs(bins) < 1e-6) return 1;
  const double x = std::numbers::pi * bins;
  return std::sin(x) / (x * (1 - bins * bins));
}

// The share of a tone `offset` off its key frequency that its bin keeps,
// counted no further than the accepted 1.5 %: between that and the limit
// the level is not made up, so that voiced speech, whose harmonics drift
// across bins, gains nothing from it.
double Keeps(double offset, double omega) {
  return HannResponse(std::min(std::abs(offset), kAccepted * omega) / kBinWidth);
}

std::array<std::complex<double>, 8> Turns() {
  std::array<std::complex<double>, 8> turns;
  for (int k = 0; k < 8; ++k) turns[k] = std::polar(1.0, -kTwoPi * k / 8);
  return turns;
}

}  // namespace

LDtmfDetector::LDtmfDetector() {
  for (int i = 0; i < 8; ++i) {
    Tone& tone = tones_[i];
    const double omega = kTwoPi * (i < 4 ? kDtmfRowHz[i] : kDtmfColumnHz[i - 4]) / kLineRate;
    for (int b = 0; b < 3; ++b) {
      Bin& bin = tone.bins[b];
      bin.omega = omega + (b - 1) * kBinWidth;
      bin.back = std::polar(1.0, -bin.omega);
      bin.step = std::polar(1.0, -bin.omega * kHop);
      coefficients_[3 * i + b] = 2 * std::cos(bin.omega);
    }
    // About 1 rad of advance at the deviation limit, well inside +-pi.
    tone.phaseHops = i < 4 ? 4 : 2;
  }
  Reset();
}

void LDtmfDetector::Reset() {
  for (Tone& tone : tones_) {
    for (Bin& bin : tone.bins) {
      bin.rotation = std::polar(1.0, -bin.omega * (kHop - 1));
      bin.hops.fill({});
    }
    tone.windows.fill({});
    tone.amplitude = 0;
  }
  s1_.fill(0);
  s2_.fill(0);
  energies_.fill(0);
  energy_ = power_ = 0;
  inHop_ = 0;
  hops_ = 0;
  candidate_ = held_ = 0;
  run_ = misses_ = 0;
}

std::string LDtmfDetector::Feed(std::span<const int16_t> samples) {
  std::string keys;
  for (int16_t v : samples) {
    Sample(v);
    if (++inHop_ == kHop) EndHop(keys);
  }
  return keys;
}

std::string LDtmfDetector::FeedChain(std::span<const int32_t> samples) {
  std::string keys;
  for (int32_t v : samples) {
    Sample(v / 16.0);
    if (++inHop_ == kHop) EndHop(keys);
  }
  return keys;
}

void LDtmfDetector::Sample(double x) {
  energy_ += x * x;
  for (int i = 0; i < kBins; ++i) {
    const double s = x + coefficients_[i] * s1_[i] - s2_[i];
    s2_[i] = s1_[i];
    s1_[i] = s;
  }
}

void LDtmfDetector::EndBin(int index, size_t slot) {
  Bin& bin = tones_[index / 3].bins[index % 3];
  // Goertzel gives the hop's DFT term phased from the hop's last sample.
  bin.hops[slot] = (s1_[index] - bin.back * s2_[index]) * bin.rotation;
  // Kept on the unit circle against rounding over a long call.
  bin.rotation *= bin.step;
  if (slot == 0) bin.rotation /= std::abs(bin.rotation);
  s1_[index] = s2_[index] = 0;
}

void LDtmfDetector::EndHop(std::string& keys) {
  static const std::array<double, 8> weights = HopWeights();
  const size_t slot = hops_ % kWindowHops;
  for (int i = 0; i < kBins; ++i) EndBin(i, slot);
  energies_[slot] = energy_;
  energy_ = 0;
  inHop_ = 0;
  ++hops_;
  for (Tone& tone : tones_) MeasureWindow(tone);
  power_ = 0;
  for (int j = 0; j < kWindowHops; ++j) power_ += weights[j] * energies_[(hops_ + j) % kWindowHops];
  power_ /= kWindow / 2;
  // Until the first window and its phase history are full, nothing counts.
  Track(hops_ >= kWindowHops + kHistory ? Classify() : 0, keys);
}

std::complex<double> LDtmfDetector::Rectangular(const Bin& bin) const {
  std::complex<double> sum;
  for (const std::complex<double>& hop : bin.hops) sum += hop;
  return sum;
}

void LDtmfDetector::MeasureWindow(Tone& tone) {
  // Hann = 0.5 R(w) - 0.25 R(w - d) - 0.25 R(w + d), the side bins turned by
  // the window's start (a whole number of hops, 1/8 of their cycle each).
  static const std::array<std::complex<double>, kWindowHops> turns = Turns();
  const std::complex<double> turn = turns[hops_ % kWindowHops];
  const std::complex<double> sum = 0.5 * Rectangular(tone.bins[1]) - 0.25 * turn * Rectangular(tone.bins[0]) -
                                   0.25 * std::conj(turn) * Rectangular(tone.bins[2]);
  tone.windows[hops_ % kHistory] = sum;
  tone.amplitude = 2 * std::abs(sum) / (kWindow / 2);
}

int LDtmfDetector::Strongest(int first) const {
  int best = first;
  for (int i = first + 1; i < first + 4; ++i) {
    if (tones_[i].amplitude > tones_[best].amplitude) best = i;
  }
  for (int i = first; i < first + 4; ++i) {
    if (i != best && tones_[i].amplitude > kPeakOverOthers * tones_[best].amplitude) return -1;
  }
  return best;
}

double LDtmfDetector::Offset(const Tone& tone) const {
  const std::complex<double> now = tone.windows[hops_ % kHistory];
  const std::complex<double> before = tone.windows[(hops_ - tone.phaseHops) % kHistory];
  // A steady tone's phase advances by exactly 2 pi (f - f0) t.
  return std::arg(now * std::conj(before)) / (tone.phaseHops * kHop);
}

char LDtmfDetector::Classify() const {
  const int row = Strongest(0);
  const int column = Strongest(4);
  if (row < 0 || column < 0) return 0;
  const double rowOffset = Offset(tones_[row]);
  const double columnOffset = Offset(tones_[column]);
  if (std::abs(rowOffset) > kMaxDeviation * tones_[row].bins[1].omega ||
      std::abs(columnOffset) > kMaxDeviation * tones_[column].bins[1].omega) {
    return 0;
  }
  const double a = tones_[row].amplitude / Keeps(rowOffset, tones_[row].bins[1].omega);
  const double b = tones_[column].amplitude / Keeps(columnOffset, tones_[column].bins[1].omega);
  if (a < kMinAmplitude || b < kMinAmplitude) return 0;
  if (b > kMaxNormalTwist * a || a > kMaxReverseTwist * b) return 0;
  if ((a * a + b * b) / 2 < kPowerShare * power_) return 0;
  return DtmfKeyAt(row, column - 4);
}

void LDtmfDetector::Track(char key, std::string& keys) {
  if (key == candidate_) {
    ++run_;
  } else {
    candidate_ = key;
    run_ = 1;
  }
  if (key && key != held_ && run_ == kPresentHops) {
    keys += key;
    held_ = key;
  }
  if (key == held_) {
    misses_ = 0;
  } else if (++misses_ >= kReleaseHops) {
    held_ = 0;
  }
}
