#pragma once

#include "audio/LSPAdapter.h"

// Always wraps the source in a high-pass filter at a corner frequency in Hz.
class LSPHighPass final : public LSPAdapter {
 public:
  explicit LSPHighPass(int frequency) : frequency_(frequency) {}
  LSoundSourceRef OpenSource(LSoundSourceRef source) const override;

 private:
  int frequency_;
};
