#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/LSRCFilterBase.h"

// Look-ahead block compressor: measures the level of each block of
// `window` ms in dB and ramps towards the gain its curve gives for that
// level. Below the threshold the gain is the fixed make-up gain
// 1 / ratio^(-threshold); each dB above it lowers the gain by `ratio`, so
// 0 dB stays at unity. Its output may exceed full scale.
class LSRCCompressor final : public LSRCFilterBase {
 public:
  static constexpr uint32_t kMaxLevel = 4194303;
  using Curve = std::array<int32_t, 256>;

  LSRCCompressor(LSoundSourceRef upstream, int8_t thresholdDb, double ratio, int32_t windowMs);

  void Read(int32_t* buffer, int32_t frames) override;
  // The output lags the upstream by the two blocks held.
  int32_t GetPosition() override;
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override;

  int32_t BlockFrames() const { return blockFrames_; }
  // Q24 gain per block level in dB, indexed by level + 128.
  static Curve BuildCurve(int8_t thresholdDb, double ratio);
  static int32_t BlockFramesFor(int32_t windowMs, int32_t sampleRate);

 private:
  void Restart();
  void Advance();
  int32_t Fill(std::vector<int32_t>& block);
  void Plan();

  Curve curve_;
  int32_t blockFrames_;
  int32_t blockSamples_;
  std::vector<int32_t> current_;
  std::vector<int32_t> next_;
  int32_t gain_ = 0;            // applied to the next frame
  int32_t increment_ = 0;       // per frame
  int32_t target_ = 0;          // the gain of the next block
  int32_t previousTarget_ = 0;  // the gain of the current block
  int32_t used_ = 0;            // frames of the current block already output
};
