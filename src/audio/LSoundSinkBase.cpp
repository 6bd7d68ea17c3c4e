#include "audio/LSoundSinkBase.h"

LSoundSinkBase::LSoundSinkBase(uint32_t sampleRate, int channels) : sampleRate_(sampleRate) {
  if (channels < 1 || channels > 255) {
    error_ = true;
  } else {
    channels_ = static_cast<uint8_t>(channels);
  }
}
