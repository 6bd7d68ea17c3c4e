#pragma once

#include <cstdint>

#include "audio/LSPAdapter.h"

// Always wraps the source in a compressor: threshold in dB, gain factor per
// dB above it, look-ahead window in ms.
class LSPCompressor final : public LSPAdapter {
 public:
  LSPCompressor(int8_t thresholdDb, double ratio, int32_t windowMs)
      : thresholdDb_(thresholdDb), ratio_(ratio), windowMs_(windowMs) {}
  LSoundSourceRef OpenSource(LSoundSourceRef source) const override;

 private:
  int8_t thresholdDb_;
  double ratio_;
  int32_t windowMs_;
};
