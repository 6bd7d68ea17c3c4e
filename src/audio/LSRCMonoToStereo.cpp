#include "audio/LSRCMonoToStereo.h"

LSRCMonoToStereo::LSRCMonoToStereo(LSoundSourceRef upstream) : LSRCFilterBase(std::move(upstream)) {
  SetChannels(2);
}

// The mono frames land in the first half of the caller's buffer and are
// spread from the end backwards, so no sample is overwritten before use.
void LSRCMonoToStereo::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  Upstream().Read(buffer, frames);
  for (int32_t i = frames - 1; i >= 0; --i) {
    buffer[2 * i + 1] = buffer[i];
    buffer[2 * i] = buffer[i];
  }
}
