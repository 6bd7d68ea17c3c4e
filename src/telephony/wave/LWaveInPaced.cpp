#include "telephony/wave/LWaveInPaced.h"

#include <algorithm>

#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "audio/LSPPeakLimit.h"
#include "audio/LWaveFile.h"
#include "core/Trace.h"
#include "telephony/wave/LWavePacer.h"

std::unique_ptr<LWaveInPaced> LWaveInPaced::Open(const LWavePcmFormat& format,
                                                 LSignalObject& done,
                                                 std::shared_ptr<const LWaveTimeline> timeline,
                                                 const std::string& path) {
  LSoundSourceRef file;
  if (!path.empty()) {
    file = LWaveFile::OpenSource(path);
    if (file->IsError()) {
      Trace("LWaveInPaced::Open cannot read %s", path.c_str());
      return nullptr;
    }
  }
  return std::unique_ptr<LWaveInPaced>(
      new LWaveInPaced(format, done, std::move(timeline), std::move(file)));
}

LWaveInPaced::LWaveInPaced(const LWavePcmFormat& format, LSignalObject& done,
                           std::shared_ptr<const LWaveTimeline> timeline, LSoundSourceRef file)
    : format_(format),
      timeline_(std::move(timeline)),
      file_(std::move(file)),
      scratch_(static_cast<std::size_t>(LWavePacer::ChunkFrames(format)) * format.channels),
      queue_(LWaveQueue::Direction::kIn, done, false),
      thread_(&LWaveInPaced::Run, this) {}

LWaveInPaced::~LWaveInPaced() {
  queue_.Shutdown();
  thread_.join();
  queue_.ReturnAll();
}

void LWaveInPaced::Stop() {
  queue_.SetRunning(false);
  queue_.ReturnPartial();
}

void LWaveInPaced::Reset() {
  queue_.SetRunning(false);
  queue_.ReturnAll();
}

void LWaveInPaced::Follow() {
  if (!file_) return;
  const double seconds =
      static_cast<double>(timeline_->FrameNow(format_.sampleRate)) / format_.sampleRate;
  file_->Seek(static_cast<int32_t>(std::min(seconds * file_->SampleRate(), 2e9)));
  // Peak-limited because rate conversion may overshoot 16-bit full scale.
  chain_ = LSPConvChannels(format_.channels).OpenSource(file_);
  chain_ = LSPConvertRate(static_cast<int32_t>(format_.sampleRate)).OpenSource(chain_);
  chain_ = LSPPeakLimit(kFullScale16).OpenSource(chain_);
}

void LWaveInPaced::Fill(int16_t* pcm, uint32_t frames) {
  const std::size_t samples = static_cast<std::size_t>(frames) * format_.channels;
  if (!chain_ || chain_->Channels() != format_.channels) {
    std::fill(pcm, pcm + samples, int16_t{0});
    return;
  }
  chain_->Read(scratch_.data(), static_cast<int32_t>(frames));
  for (std::size_t i = 0; i < samples; ++i) pcm[i] = ChainTo16(scratch_[i]);
}

void LWaveInPaced::Run() {
  LWavePacer pacer(queue_, *timeline_, format_);
  while (!queue_.IsShutdown()) {
    LWaveQueue::Chunk chunk = pacer.Next([this] { Follow(); });
    if (!chunk) continue;
    Fill(reinterpret_cast<int16_t*>(chunk.bytes), chunk.size / format_.BlockAlign());
    queue_.Release(chunk.size);
  }
}
