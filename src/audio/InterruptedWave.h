#pragma once

#include <cstdint>
#include <string>

#include "audio/LWaveFileFormat.h"
#include "core/UniqueFd.h"

// A WAVE file whose writer stopped before it stored the sizes (the process
// was killed or the power failed during a recording): the data size in its
// header is still the streaming marker. The file is looked at only while no
// other process holds it (MarkInUse); from then on this object holds it.
class InterruptedWave {
 public:
  enum class State {
    kInterrupted,     // still marked as streaming: Finish it
    kNotInterrupted,  // final sizes, missing or not a WAVE file: nothing to do
    kInUse,           // a recorder (or a reader) holds the file now
  };

  explicit InterruptedWave(const std::string& path);

  State GetState() const { return state_; }
  // The length the finished file will have: the whole blocks of data that
  // the file system kept.
  int64_t DurationMs() const;
  // Cuts a partial block off the end, stores the sizes and syncs the file.
  // False (errno set) when the file refuses it.
  bool Finish();

 private:
  void Inspect();

  UniqueFd fd_;
  State state_ = State::kNotInterrupted;
  LWaveFileFormat format_;
  int64_t riffStart_ = 0;
  int64_t dataStart_ = 0;
  uint32_t dataBytes_ = 0;
};
