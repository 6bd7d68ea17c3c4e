#pragma once

#include <cstdint>

#include "audio/LSPAdapter.h"

// Fits a source to a sample rate: the source itself when it is in error or
// already has that rate, else a rate converter wrapping it.
class LSPConvertRate final : public LSPAdapter {
 public:
  explicit LSPConvertRate(int32_t sampleRate) : sampleRate_(sampleRate) {}

  LSoundSourceRef OpenSource(LSoundSourceRef source) const override;

 private:
  int32_t sampleRate_;
};
