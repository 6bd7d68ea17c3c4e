#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>

#include "audio/LSoundRef.h"

// A push sink of interleaved frames. Its destructor finishes the output (a
// file sink patches its header), so an output is complete only once the last
// handle is released. A sink in error ignores the data but counts it.
class LSoundSinkBase : public LRefCounted {
 public:
  // Why the sink failed: the error number (errno) of the failure, 0 while it
  // works. It outlives the sink and may be read on any thread, so a call
  // controller can learn of a full disk without holding the recorder's sink.
  using Failure = std::shared_ptr<const std::atomic<int>>;

  LSoundSinkBase(uint32_t sampleRate, int channels);

  virtual void Write(const int32_t* buffer, int32_t frames) = 0;
  // Moves the write position back to `frame`, discarding what came after.
  virtual void Truncate(int32_t /*frame*/) {}

  int32_t Position() const { return position_; }
  uint32_t SampleRate() const { return sampleRate_; }
  int Channels() const { return channels_; }
  bool IsError() const { return failure_->load(std::memory_order_relaxed) != 0; }
  Failure ShareFailure() const { return failure_; }

 protected:
  // Saturates rather than wraps: a sink in error keeps counting.
  void Advance(int32_t frames) {
    position_ = static_cast<int32_t>(std::clamp<int64_t>(int64_t{position_} + frames, INT32_MIN, INT32_MAX));
  }
  void SetPosition(int32_t frame) { position_ = frame; }
  // The first failure's error number stays; 0 counts as EIO.
  void SetError(int error = EIO);

 private:
  int32_t position_ = 0;
  uint32_t sampleRate_;
  uint8_t channels_ = 1;
  std::shared_ptr<std::atomic<int>> failure_ = std::make_shared<std::atomic<int>>(0);
};

using LSoundSinkRef = LRef<LSoundSinkBase>;
