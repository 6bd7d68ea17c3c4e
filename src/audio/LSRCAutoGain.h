#pragma once

#include <cstdint>
#include <vector>

#include "audio/AutoGainCurve.h"
#include "audio/AutoGainTracker.h"
#include "audio/LSoundSourceBase.h"
#include "core/UniqueFd.h"

// The second pass of levelling: plays the analysed blocks back from the
// run's sample file with a gain that brings each channel's speech level to
// 0 dB, shaped per block by the gain curve around a level tracker that runs
// a second ahead of the output. Gains glide to each block's target over 1.5
// blocks, and the last block fades out.
class LSRCAutoGain final : public LSoundSourceBase {
 public:
  static constexpr uint32_t kMaxLevel = 2097152;

  struct Analysis {
    int32_t sampleRate = 8000;
    int channels = 1;
    int32_t blockFrames = 160;
    // Per block, one level (dB) per channel.
    std::vector<int8_t> levels;
    // Per channel, the estimated speech level (dB).
    std::vector<int> speechLevels;
  };
  struct Shape {
    int trimMode = 0;
    int floor = -6;
    int ceiling = 6;
    int lowerKnee = -6;
    double slope = -0.5;
    int upperKnee = 2;
  };

  // `samples` holds the raw analysed blocks (32-bit chain samples); the
  // source reads it with its own descriptor.
  LSRCAutoGain(int samples, Analysis analysis, const Shape& shape);

  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return (last_ - first_) * analysis_.blockFrames; }

 private:
  int Level(int32_t block, int channel) const;
  // The block's level relative to the speech level: the loudest channel.
  int RelativeLevel(int32_t block) const;
  void Trim(int speechLevel);
  void StartBlock();
  void LoadSamples(int32_t block);
  void FillWindow(int32_t block);

  UniqueFd samples_;
  const Analysis analysis_;
  const int trimMode_;
  const AutoGainCurve curve_;
  AutoGainTracker tracker_;
  std::vector<int> offsets_;
  int32_t first_ = 0;
  int32_t last_ = 0;
  int32_t fed_ = 0;  // blocks given to the tracker
  int32_t block_ = 0;  // the block being output
  int32_t inBlock_ = 0;  // frames of it already output
  int32_t position_ = 0;
  bool started_ = false;
  std::vector<int32_t> blockSamples_;
  // Blocks read ahead from the sample file, about 64 KB at a time.
  std::vector<int32_t> window_;
  int32_t windowFirst_ = 0;
  int32_t windowBlocks_ = 0;  // whole blocks in the window
  std::vector<int64_t> gains_;  // Q24, per channel
  std::vector<int64_t> steps_;
};
