#pragma once

#include <cstdint>

#include "audio/LSPAdapter.h"

// Always wraps the source in a fixed gain of whole dB.
class LSPGain final : public LSPAdapter {
 public:
  explicit LSPGain(int8_t db) : db_(db) {}
  LSoundSourceRef OpenSource(LSoundSourceRef source) const override;

 private:
  int8_t db_;
};
