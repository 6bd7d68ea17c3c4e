#pragma once

#include "audio/LSoundSourceBase.h"

// The failed source: 11025 Hz, one channel, error flag set, silence forever.
// Every source open that fails hands out one of these, never a null handle.
class LSRCNull final : public LSoundSourceBase {
 public:
  static constexpr uint32_t kMaxLevel = 0x200000;
  LSRCNull() : LSoundSourceBase(11025, 1, kMaxLevel) { SetError(); }

  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override { return 0; }
  int32_t GetEndSample() override { return 0; }
};
