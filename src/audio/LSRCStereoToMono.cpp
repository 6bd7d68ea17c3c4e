#include "audio/LSRCStereoToMono.h"

#include <algorithm>

LSRCStereoToMono::LSRCStereoToMono(LSoundSourceRef upstream)
    : LSRCFilterBase(std::move(upstream)), stereo_(kBufferFrames * 2, 0) {
  SetChannels(1);
}

void LSRCStereoToMono::Read(int32_t* buffer, int32_t frames) {
  while (frames > 0) {
    const int32_t count = std::min(frames, kBufferFrames);
    Upstream().Read(stereo_.data(), count);
    for (int32_t i = 0; i < count; ++i) buffer[i] = stereo_[static_cast<size_t>(i) * 2];
    buffer += count;
    frames -= count;
  }
}
