#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/LSoundSinkBase.h"
#include "telephony/wave/LWaveHeader.h"
#include "telephony/wave/LWaveTimeline.h"

// A 16-bit PCM WAVE file that records everything played on a line as it
// sounded: successive file output devices append to it at the time they
// play, and the stretches where nothing played are silence. Shared by the
// devices (any thread); the file is complete once Finish ran or the tape is
// destroyed.
class LWaveOutFileTape {
 public:
  LWaveOutFileTape(const std::string& path, const LWavePcmFormat& format,
                   std::shared_ptr<const LWaveTimeline> timeline);
  ~LWaveOutFileTape();
  LWaveOutFileTape(const LWaveOutFileTape&) = delete;
  LWaveOutFileTape& operator=(const LWaveOutFileTape&) = delete;

  bool IsOpen() const;
  const LWavePcmFormat& Format() const { return format_; }
  const std::shared_ptr<const LWaveTimeline>& Timeline() const { return timeline_; }
  // The frame where audio starting to sound now goes: now, or the end of
  // what is on the tape when that is later.
  int64_t StartFrame() const;
  // Writes `frames` frames at `frame`, silence before it where the tape is
  // shorter; audio for a frame already written goes on at the end.
  void WriteAt(int64_t frame, const int16_t* pcm, uint32_t frames);
  // Pads silence up to now and closes the file; later writes are dropped.
  void Finish();

 private:
  void Append(const int16_t* pcm, int64_t frames);

  const LWavePcmFormat format_;
  const std::shared_ptr<const LWaveTimeline> timeline_;
  mutable std::mutex lock_;
  LSoundSinkRef sink_;  // used under lock_ only: its count is not atomic
  int64_t end_ = 0;
  std::vector<int32_t> scratch_;
};
