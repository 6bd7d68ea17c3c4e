#pragma once

#include "audio/LSoundSourceBase.h"

// Base of every source that wraps another: it copies the upstream's rate,
// channels, maximum level and error flag, holds a reference to it (so
// releasing the top of a chain releases the chain), and forwards position,
// end, seek, streaming and wait unless a filter overrides them.
class LSRCFilterBase : public LSoundSourceBase {
 public:
  explicit LSRCFilterBase(LSoundSourceRef upstream);

  int32_t GetPosition() override { return upstream_->GetPosition(); }
  int32_t GetEndSample() override { return upstream_->GetEndSample(); }
  void Seek(int32_t frame) override { upstream_->Seek(frame); }
  bool IsStreaming() override { return upstream_->IsStreaming(); }
  void Wait(int ms) override { upstream_->Wait(ms); }

 protected:
  LSoundSourceBase& Upstream() const { return *upstream_; }

 private:
  LSoundSourceRef upstream_;
};
