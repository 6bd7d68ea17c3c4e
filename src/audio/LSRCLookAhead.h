#pragma once

#include <cstdint>
#include <vector>

#include "audio/LSRCFilterBase.h"

// Base of the look-ahead block filters: it holds the block being output and
// the blocks after it, each with a gain the filter measured when it was read,
// and over every block ramps the applied gain linearly as the filter plans.
// The output lags the upstream by the frames held.
class LSRCLookAhead : public LSRCFilterBase {
 public:
  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override;
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override;

  int32_t BlockFrames() const { return blockFrames_; }

 protected:
  enum Block { kCurrent, kNext, kAfterNext };

  // The gain of a block's first frame and its change per frame.
  struct Ramp {
    int32_t start;
    int32_t step;
  };

  // Holds `blocks` blocks (at most 3) of `blockFrames` frames each.
  LSRCLookAhead(LSoundSourceRef upstream, int blocks, int32_t blockFrames);

  // Reads the blocks ahead afresh; the first Read does it when nothing has.
  void Restart();
  // The gain measured for `block` (it must be one of those held).
  int32_t GainOf(Block block) const { return gains_[block]; }
  // The gain of the block output just before the current one.
  int32_t FinishedGain() const { return finishedGain_; }

 private:
  // The gain for a block of `count` samples just read.
  virtual int32_t MeasureBlock(const int32_t* samples, int32_t count) const = 0;
  // The ramp over the current block; `reached` is where the last one ended.
  virtual Ramp PlanRamp(int32_t reached) const = 0;

  void Advance();
  void FillBlock(int block);
  void Plan();
  int32_t* BlockData(int block) { return buffer_.data() + slots_[block] * blockSamples_; }

  int32_t blockFrames_;
  int32_t blockSamples_;
  std::vector<int32_t> buffer_;  // the blocks, addressed through slots_
  std::vector<int32_t> slots_;   // per Block, where it lies in buffer_
  std::vector<int32_t> gains_;   // per Block
  int32_t finishedGain_ = 0;
  int32_t gain_ = 0;       // applied to the next frame
  int32_t increment_ = 0;  // per frame
  int32_t used_ = 0;       // frames of the current block already output
  bool started_ = false;
};
