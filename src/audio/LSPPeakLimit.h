#pragma once

#include <cstdint>

#include "audio/LSPAdapter.h"

// Adds a peak limiter when the source can produce samples above the limit
// (its maximum level says so); otherwise returns the source unchanged.
class LSPPeakLimit final : public LSPAdapter {
 public:
  explicit LSPPeakLimit(uint32_t limit) : limit_(limit) {}
  LSoundSourceRef OpenSource(LSoundSourceRef source) const override;

 private:
  uint32_t limit_;
};
