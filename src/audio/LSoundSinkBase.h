#pragma once

#include <cstdint>

#include "audio/LSoundRef.h"

// A push sink of interleaved frames. Its destructor finishes the output (a
// file sink patches its header), so an output is complete only once the last
// handle is released. A sink in error ignores the data but counts it.
class LSoundSinkBase : public LRefCounted {
 public:
  LSoundSinkBase(uint32_t sampleRate, int channels);

  virtual void Write(const int32_t* buffer, int32_t frames) = 0;
  // Moves the write position back to `frame`, discarding what came after.
  virtual void Truncate(int32_t /*frame*/) {}

  int32_t Position() const { return position_; }
  uint32_t SampleRate() const { return sampleRate_; }
  int Channels() const { return channels_; }
  bool IsError() const { return error_; }

 protected:
  void Advance(int32_t frames) { position_ += frames; }
  void SetPosition(int32_t frame) { position_ = frame; }
  void SetError() { error_ = true; }

 private:
  int32_t position_ = 0;
  uint32_t sampleRate_;
  uint8_t channels_ = 1;
  bool error_ = false;
};

using LSoundSinkRef = LRef<LSoundSinkBase>;
