#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <span>
#include <string>

// Finds DTMF keys in received call audio (8000 Hz mono), fed in blocks of
// any size. Each of the eight key frequencies is measured by Goertzel filters
// over 2.5 ms hops, combined every hop into a Hann-windowed 20 ms DFT bin
// whose phase is kept on one time scale, so the advance of the phase from one
// window to a later one gives each tone's exact frequency.
//
// A window holds a key when one row and one column tone stand out in their
// groups, each loud enough, both within 2 % of their nominal frequency (so
// 1.5 % is accepted and 3.5 % refused), their levels within the twist limits
// (the column up to 8 dB above the row or the row up to 4 dB above the
// column are accepted, 1 dB more is refused) and together carrying nearly
// all of the signal's power, which speech and music do not. A key is
// reported once, when it has held for about 32 ms, so that tones of 40 ms
// pass and tones of 23 ms do not; the same key counts again after a gap of
// about 15 ms, while shorter drop-outs are bridged.
class LDtmfDetector {
 public:
  LDtmfDetector();

  // The keys that began in `samples`, in order (usually none).
  std::string Feed(std::span<const int16_t> samples);
  // The same for samples at the audio chain's scale (16 times 16-bit).
  std::string FeedChain(std::span<const int32_t> samples);
  // Forgets all audio heard so far.
  void Reset();

 private:
  static constexpr int kHop = 20;
  static constexpr int kWindowHops = 8;
  static constexpr int kHistory = 5;  // windows kept for the phase advance

  static constexpr int kBins = 24;

  // One Goertzel filter's frequency and its 2.5 ms hop terms, phased from
  // stream sample 0 (its running state is kept apart, see below).
  struct Bin {
    double omega = 0;
    std::complex<double> back;      // e^-i omega: one sample back
    std::complex<double> step;      // e^-i omega hop: one hop on
    std::complex<double> rotation;  // e^-i omega n, n the hop's last sample
    std::array<std::complex<double>, kWindowHops> hops{};
  };

  // A key frequency, with the bins one window bin-width either side that
  // turn the plain window into a Hann window.
  struct Tone {
    std::array<Bin, 3> bins;
    int phaseHops = 0;  // hops between the two phase readings
    std::array<std::complex<double>, kHistory> windows{};
    double amplitude = 0;
  };

  void Sample(double x);
  void EndHop(std::string& keys);
  void EndBin(int index, size_t slot);
  std::complex<double> Rectangular(const Bin& bin) const;
  void MeasureWindow(Tone& tone);
  // The strongest tone of the group from `first`, or -1 when it does not
  // stand out of the others.
  int Strongest(int first) const;
  // The tone's frequency minus its nominal one, in radians per sample.
  double Offset(const Tone& tone) const;
  char Classify() const;
  void Track(char key, std::string& keys);

  std::array<Tone, 8> tones_;
  // The Goertzel state of bin i of tone t at 3 * t + i, in plain arrays
  // so that the per-sample loop vectorises.
  std::array<double, kBins> coefficients_{};
  std::array<double, kBins> s1_{};
  std::array<double, kBins> s2_{};
  std::array<double, kWindowHops> energies_{};
  double energy_ = 0;
  double power_ = 0;
  int inHop_ = 0;
  uint64_t hops_ = 0;
  char candidate_ = 0;
  int run_ = 0;
  char held_ = 0;
  int misses_ = 0;
};
