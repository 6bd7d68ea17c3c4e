#pragma once

#include <cstdint>
#include <vector>

#include "audio/LSRCFilterBase.h"

// Stereo to mono by keeping the left channel; the right one is dropped.
class LSRCStereoToMono final : public LSRCFilterBase {
 public:
  static constexpr int32_t kBufferFrames = 8192;

  explicit LSRCStereoToMono(LSoundSourceRef upstream);

  // Longer reads are served in pieces of kBufferFrames.
  void Read(int32_t* buffer, int32_t frames) override;

 private:
  std::vector<int32_t> stereo_;
};
