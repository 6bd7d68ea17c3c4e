#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/LSRCAutoGain.h"
#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"
#include "core/UniqueFd.h"

// One levelling run over one source into one sink, in 20 ms blocks and two
// passes. The first reads the source once, keeping its raw blocks and their
// levels (after a 300 Hz high-pass and a lift above 2200 Hz, so the measure
// follows speech) in two temporary files; it ends by estimating each
// channel's speech level from the histogram of block levels. The second
// pass writes the blocks again through LSRCAutoGain. Both passes gather
// their blocks and write them in batches of about 64 KB: a system call per
// 20 ms block cost more than the levelling itself. The temporary files are
// created exclusively and unlinked at once, so they vanish with the run
// even if the process is killed.
class LDPAutoGain {
 public:
  struct Parameters {
    LSRCAutoGain::Shape shape;  // trim mode, tracker limits, gain curve
    int32_t highPassHz = 300;
    int32_t emphasisHz = 2200;
  };
  using Histogram = std::array<uint32_t, 256>;  // counts of levels -128..127

  LDPAutoGain(LSoundSourceRef source, LSoundSinkRef sink, const Parameters& parameters);
  LDPAutoGain(const LDPAutoGain&) = delete;
  LDPAutoGain& operator=(const LDPAutoGain&) = delete;

  // Does one block; true while there is more to do.
  bool Step();
  // A temporary file could not be written or the output could not be set
  // up: the sink holds nothing usable.
  bool Failed() const { return failed_; }
  // 0..1 over both passes.
  double Progress();
  // The median level of the loudest blocks: those within 15 dB of the
  // loudest eighth.
  static int SpeechLevel(const Histogram& histogram);

 private:
  enum class State { kUnusable, kAnalysing, kWriting };
  struct Filter {
    int64_t s1 = 0;
    int64_t s2 = 0;
  };

  void Open();
  bool Analyse();
  void MeasureBlock();
  bool StartWriting();
  bool Write();
  bool FlushKept();
  bool FlushOutput();
  void Fail();

  LSoundSourceRef source_;
  LSoundSinkRef sink_;
  const Parameters parameters_;
  State state_ = State::kUnusable;
  bool failed_ = false;
  int channels_ = 1;
  int32_t blockFrames_ = 0;
  int32_t a1_ = 0;
  int32_t a2_ = 0;
  UniqueFd samples_;
  std::vector<int32_t> block_;
  std::string kept_;             // raw blocks not yet in the temporary file
  std::vector<int32_t> output_;  // levelled blocks not yet in the sink
  std::vector<Filter> filters_;
  std::vector<Histogram> histograms_;
  std::vector<int8_t> levels_;  // per block, one per channel
};
