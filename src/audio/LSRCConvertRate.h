#pragma once

#include <cstdint>
#include <vector>

#include "audio/LSRCFilterBase.h"

// Sample-rate converter: a 63-tap polyphase windowed-sinc filter for one or
// two channels. The rate ratio is approximated by Step / Phases with at most
// 255 phases, so the output rate may differ from the requested one by up to
// 0.1 %. Per-sample work is integer; the coefficient table is computed once.
//
// The input is read in blocks of 8192 frames behind a 63-frame history; each
// buffer is normalised to 16 bits by a shift so the products stay small, and
// the output shift undoes it. The converter therefore holds up to 8224 input
// frames ahead of its output, which GetPosition and GetEndSample account for.
class LSRCConvertRate final : public LSRCFilterBase {
 public:
  static constexpr int kTaps = 63;
  static constexpr int kHalf = 31;  // taps on either side of the centre
  static constexpr int kMaxPhases = 255;

  // An output rate below 1 stores 44100 and sets the error flag. A ratio
  // beyond 256:1 either way sets the error flag and gives silence.
  LSRCConvertRate(LSoundSourceRef upstream, int32_t outputRate);

  // Sources with more than two channels are not converted: Read leaves the
  // buffer as it was.
  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override;
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override;

  // Output frame n is taken at input frame n * Step / Phases.
  int32_t Phases() const { return phases_; }
  int32_t Step() const { return step_; }
  // The 63 Q16 coefficients of one phase (0 .. Phases() - 1).
  const int32_t* Coefficients(int32_t phase) const { return &coefficients_[phase * kTaps]; }

 private:
  static constexpr int32_t kBlock = 8192;
  static constexpr int32_t kBufferFrames = kBlock + kTaps;
  static constexpr int32_t kStartIndex = kBlock + 32;  // refill at once; 31 zero frames lead

  void ChoosePhases(double ratio);
  void BuildCoefficients(int32_t inputRate, int32_t outputRate);
  void Refill();
  void Normalise();
  void ReadMono(int32_t* out, int32_t frames);
  void ReadStereo(int32_t* out, int32_t frames);
  // Advances the input index by the whole phases pending, refilling as needed.
  void Advance();
  int32_t Scale(int64_t low, int64_t high) const;

  int32_t phases_ = 1;
  int32_t step_ = 1;
  int32_t wholeSteps_ = 1;  // step_ / phases_
  std::vector<int32_t> coefficients_;  // phases_ rows of kTaps
  std::vector<int32_t> input_;         // kBufferFrames interleaved frames
  int32_t index_ = kStartIndex;        // input frame under tap 0
  int32_t accumulator_ = 0;            // phase, in 1/phases_ input frames
  int shift_ = 0;                      // normalisation of the current buffer
  int outShift_ = 15;
  int64_t rounding_ = 1 << 14;
  bool silent_ = false;  // the rate pair is beyond what the filter can do
};
