#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/LSRCFilterBase.h"

// Look-ahead block limiter: keeps every sample within +-limit (at most
// 4194303). It holds three blocks of about 1/35 s; each block's gain is
// limit / peak (unity when the peak is within the limit), and the gain
// applied ramps linearly over a block towards a target that never exceeds
// the gain of that block or of the next, so the ramp starts and ends at or
// below the block's own gain and the limit holds on every sample.
class LSRCPeakLimit final : public LSRCFilterBase {
 public:
  static constexpr int32_t kMaxLimit = 4194303;

  LSRCPeakLimit(LSoundSourceRef upstream, uint32_t limit);

  void Read(int32_t* buffer, int32_t frames) override;
  // The output lags the upstream by the frames held in the three blocks.
  int32_t GetPosition() override;
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override;

  int32_t BlockFrames() const { return blockFrames_; }
  // Q24 gain for a block whose peak is `peak`: about limit / peak.
  static int32_t BlockGain(uint32_t peak, int32_t limit);

 private:
  enum Block { kCurrent, kNext, kAfterNext };

  void Restart();
  void Advance();
  void FillBlock(Block block);
  void PlanCurrentBlock();
  int32_t* BlockData(Block block) { return buffer_.data() + slots_[block] * blockSamples_; }

  int32_t limit_;
  int32_t blockFrames_;
  int32_t blockSamples_;
  std::vector<int32_t> buffer_;  // three blocks, addressed through slots_
  std::array<int32_t, 3> slots_{0, 1, 2};
  std::array<int32_t, 3> gains_{};  // per Block
  int32_t finishedGain_ = 0;        // of the block output just before the current one
  int32_t gain_ = 0;                // applied to the next frame
  int32_t increment_ = 0;           // per frame
  int32_t used_ = 0;                // frames of the current block already output
  bool started_ = false;
};
