#include "audio/LSoundSourceBase.h"

#include <chrono>
#include <thread>

LSoundSourceBase::LSoundSourceBase(int32_t sampleRate, int channels, uint32_t maxLevel)
    : maxLevel_(maxLevel) {
  SetSampleRate(sampleRate);
  SetChannels(channels);
}

void LSoundSourceBase::Wait(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void LSoundSourceBase::SetSampleRate(int32_t sampleRate) {
  if (sampleRate < 1) {
    sampleRate_ = 44100;
    error_ = true;
  } else {
    sampleRate_ = sampleRate;
  }
}

void LSoundSourceBase::SetChannels(int channels) {
  if (channels < 1 || channels > 255) {
    channels_ = 1;
    error_ = true;
  } else {
    channels_ = static_cast<uint8_t>(channels);
  }
}
