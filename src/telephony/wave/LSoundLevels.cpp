#include "telephony/wave/LSoundLevels.h"

#include <algorithm>
#include <cmath>

#include "audio/LevelMeter.h"

int8_t LSoundLevels::BlockLevel() const {
  if (channels == 0) return kNoSignal;
  if (channels == 1) return level[0];
  return std::max(level[0], level[1]);
}

void LSoundLevels::MeasureMeanSquare(const int32_t* samples, int32_t frames, int channelCount) {
  channels = static_cast<uint8_t>(channelCount);
  for (int c = 0; c < channelCount; ++c) {
    level[c] = static_cast<int8_t>(
        MeanSquareDb(MeanSquareLevel(samples, frames, channelCount, c)));
  }
}

void LSoundLevels::MeasurePeak(const int32_t* samples, int32_t frames, int channelCount) {
  channels = static_cast<uint8_t>(channelCount);
  for (int c = 0; c < channelCount; ++c) {
    level[c] = static_cast<int8_t>(PeakDb(PeakLevel(samples, frames, channelCount, c)));
  }
}

int PeakDb(uint32_t peak) {
  if (peak == 0) return LSoundLevels::kNoSignal;
  const double db = 20.0 * std::log10(peak / 131072.0);
  return static_cast<int>(std::clamp(std::round(db), -127.0, 127.0));
}
