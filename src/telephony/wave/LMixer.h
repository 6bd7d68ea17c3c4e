#pragma once

#include <cstdint>
#include <string>

// Mixer access for the device settings and the announcement playback. On
// this platform the sound server or the user's mixer sets the levels, so
// the operations do nothing: no input channels are listed and nothing is
// changed. The volume rule is kept for whoever maps it onto a control.
class LMixer {
 public:
  LMixer() = delete;

  // The control value for a level in dB: (dB + 36) * 1424, at most 65535,
  // 0 at -36 dB and below.
  static uint32_t VolumeForDb(int levelDb);

  static int GetInputChannelCount(int waveInDevice);
  // Channel -1 names the whole input mixer; other channels are unnamed.
  static std::string GetInputChannelName(int waveInDevice, int channel);
  static void SetInputChannel(int waveInDevice, int channel, int levelDb);
  static void SetOutChannelAuxVolume(int waveOutDevice, int channel, int levelDb);
};
