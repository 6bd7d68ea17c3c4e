#pragma once

#include <cstdint>
#include <vector>

#include "audio/LSoundSourceBase.h"

// Several sources played one after another as one source of a fixed rate and
// channel count (the call engine builds one per played OGM). Each appended
// source is converted to that format; positions run across the parts, and a
// part whose end still grows pushes the later parts back.
class LSRCSequence final : public LSoundSourceBase {
 public:
  // Created empty: no frames until something is appended.
  LSRCSequence(int32_t sampleRate, int channels);

  // Adds `source` at the end. A source in error, or one that cannot be
  // converted to this sequence's format, contributes nothing. False then.
  bool Append(LSoundSourceRef source);
  int Parts() const { return static_cast<int>(parts_.size()); }

  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override { return position_; }
  // The sum of the parts' ends.
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override { position_ = frame; }
  bool IsStreaming() override;
  // Waits on the first part whose end is not yet final.
  void Wait(int ms) override;

 private:
  // Reads up to `frames` of the part that holds frame `position_`; returns
  // how many it delivered (0 when the position lies past every part).
  int32_t ReadFromParts(int32_t* buffer, int32_t frames);

  std::vector<LSoundSourceRef> parts_;
  int32_t position_ = 0;
};
