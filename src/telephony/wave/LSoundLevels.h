#pragma once

#include <array>
#include <cstdint>

// The levels of one block of audio, one per channel, in whole dB clamped to
// -127..127; -127 (the byte 129) also stands for no signal.
struct LSoundLevels {
  static constexpr int8_t kNoSignal = -127;

  uint8_t channels = 0;
  std::array<int8_t, 256> level{};

  // The larger of the first two channels (the only one for mono);
  // kNoSignal with no channels.
  int8_t BlockLevel() const;
  // Player levels: the mean of (x >> 5)^2 per channel against 8388626.
  void MeasureMeanSquare(const int32_t* samples, int32_t frames, int channelCount);
  // Recorder levels: the peak per channel against 131072.
  void MeasurePeak(const int32_t* samples, int32_t frames, int channelCount);
};

// 20 log10(peak / 131072) rounded half away from zero, clamped to
// -127..127; a zero peak is kNoSignal.
int PeakDb(uint32_t peak);
