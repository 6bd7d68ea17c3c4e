#pragma once

#include <algorithm>

#include "telephony/wave/LWaveQueue.h"
#include "telephony/wave/LWaveTimeline.h"

// Takes a paced device's queue chunk by chunk (20 ms) in timeline time: each
// chunk is handed out once it has sounded. A pause, reset or shortage ends
// the run of chunks; the next run starts from the moment it begins.
class LWavePacer {
 public:
  LWavePacer(LWaveQueue& queue, const LWaveTimeline& timeline, const LWavePcmFormat& format)
      : queue_(queue),
        timeline_(timeline),
        format_(format),
        chunkBytes_(ChunkFrames(format) * format.BlockAlign()) {}

  static uint32_t ChunkFrames(const LWavePcmFormat& format) {
    return std::max<uint32_t>(1, format.sampleRate / 50);
  }

  // The next chunk, held until the caller releases it; empty when there was
  // none in time or it was cut short. `onStart` runs when a run of chunks
  // begins, before the first one sounds.
  template <class OnStart>
  LWaveQueue::Chunk Next(OnStart onStart) {
    LWaveQueue::Chunk chunk = queue_.Acquire(chunkBytes_, 100);
    if (!chunk) {
      idle_ = true;
      return chunk;
    }
    if (idle_) {
      due_ = LWaveTimeline::Clock::now();
      onStart();
      idle_ = false;
    }
    due_ += timeline_.Duration(chunk.size / format_.BlockAlign(), format_.sampleRate);
    if (!queue_.SleepUntil(due_)) {
      // Paused or reset meanwhile: the chunk sounds again later.
      queue_.Release(0);
      idle_ = true;
      return {};
    }
    return chunk;
  }

 private:
  LWaveQueue& queue_;
  const LWaveTimeline& timeline_;
  const LWavePcmFormat format_;
  const uint32_t chunkBytes_;
  LWaveTimeline::Clock::time_point due_;
  bool idle_ = true;
};
