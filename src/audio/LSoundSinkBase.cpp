#include "audio/LSoundSinkBase.h"

LSoundSinkBase::LSoundSinkBase(uint32_t sampleRate, int channels) : sampleRate_(sampleRate) {
  if (channels < 1 || channels > 255) {
    SetError(EINVAL);
  } else {
    channels_ = static_cast<uint8_t>(channels);
  }
}

void LSoundSinkBase::SetError(int error) {
  int none = 0;
  failure_->compare_exchange_strong(none, error != 0 ? error : EIO);
}
