#include "telephony/wave/LMixer.h"

#include <algorithm>

uint32_t LMixer::VolumeForDb(int levelDb) {
  if (levelDb <= -36) return 0;
  return static_cast<uint32_t>(std::min<int64_t>((int64_t{levelDb} + 36) * 1424, 65535));
}

int LMixer::GetInputChannelCount(int /*waveInDevice*/) { return 0; }

std::string LMixer::GetInputChannelName(int waveInDevice, int channel) {
  if (waveInDevice < 0 || channel != -1) return std::string();
  return "Windows Record Mixer";
}

void LMixer::SetInputChannel(int /*waveInDevice*/, int /*channel*/, int /*levelDb*/) {}

void LMixer::SetOutChannelAuxVolume(int /*waveOutDevice*/, int /*channel*/, int /*levelDb*/) {}
