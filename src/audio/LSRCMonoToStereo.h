#pragma once

#include <cstdint>

#include "audio/LSRCFilterBase.h"

// Mono to stereo: every sample goes to both channels.
class LSRCMonoToStereo final : public LSRCFilterBase {
 public:
  explicit LSRCMonoToStereo(LSoundSourceRef upstream);

  void Read(int32_t* buffer, int32_t frames) override;
};
