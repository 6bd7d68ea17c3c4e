#include "telephony/wave/LWaveOutPaced.h"

#include "telephony/wave/LWavePacer.h"

LWaveOutPaced::LWaveOutPaced(const LWavePcmFormat& format, LSignalObject& done,
                             std::shared_ptr<const LWaveTimeline> timeline,
                             std::shared_ptr<LWaveOutFileTape> tape)
    : LWaveOutQueued(done),
      format_(format),
      timeline_(std::move(timeline)),
      tape_(std::move(tape)),
      thread_(&LWaveOutPaced::Run, this) {}

LWaveOutPaced::~LWaveOutPaced() {
  queue_.Shutdown();
  thread_.join();
  queue_.ReturnAll();
}


void LWaveOutPaced::Run() {
  LWavePacer pacer(queue_, *timeline_, format_);
  int64_t tapeFrame = 0;
  while (!queue_.IsShutdown()) {
    LWaveQueue::Chunk chunk = pacer.Next([&] {
      if (tape_) tapeFrame = tape_->StartFrame();
    });
    if (!chunk) continue;
    const uint32_t frames = chunk.size / format_.BlockAlign();
    if (tape_) {
      tape_->WriteAt(tapeFrame, reinterpret_cast<const int16_t*>(chunk.bytes), frames);
      tapeFrame += frames;
    }
    queue_.Release(chunk.size);
  }
}
