#include "telephony/wave/LWaveOutFileTape.h"

#include <algorithm>

#include "audio/LWaveFile.h"
#include "core/Trace.h"

namespace {
constexpr int64_t kScratchFrames = 1024;
}

LWaveOutFileTape::LWaveOutFileTape(const std::string& path, const LWavePcmFormat& format,
                                   std::shared_ptr<const LWaveTimeline> timeline)
    : format_(format),
      timeline_(std::move(timeline)),
      sink_(LWaveFile::OpenSinkPCM(path, format.sampleRate, 0, 16, format.channels)),
      scratch_(static_cast<std::size_t>(kScratchFrames * format.channels)) {
  if (!IsOpen()) Trace("LWaveOutFileTape cannot create %s", path.c_str());
}

LWaveOutFileTape::~LWaveOutFileTape() { Finish(); }

bool LWaveOutFileTape::IsOpen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return sink_ && !sink_->IsError();
}

int64_t LWaveOutFileTape::StartFrame() const {
  std::lock_guard<std::mutex> guard(lock_);
  return std::max(end_, timeline_->FrameNow(format_.sampleRate));
}

void LWaveOutFileTape::WriteAt(int64_t frame, const int16_t* pcm, uint32_t frames) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!sink_) return;
  if (frame > end_) Append(nullptr, frame - end_);
  Append(pcm, frames);
}

void LWaveOutFileTape::Finish() {
  std::lock_guard<std::mutex> guard(lock_);
  if (!sink_) return;
  const int64_t now = timeline_->FrameNow(format_.sampleRate);
  if (now > end_) Append(nullptr, now - end_);
  sink_ = LSoundSinkRef();  // the last reference finishes the file
}

// Null `pcm` appends silence.
void LWaveOutFileTape::Append(const int16_t* pcm, int64_t frames) {
  const auto channels = static_cast<std::size_t>(format_.channels);
  while (frames > 0) {
    const int64_t piece = std::min(frames, kScratchFrames);
    const std::size_t samples = static_cast<std::size_t>(piece) * channels;
    for (std::size_t i = 0; i < samples; ++i) scratch_[i] = pcm ? ChainFrom16(pcm[i]) : 0;
    sink_->Write(scratch_.data(), static_cast<int32_t>(piece));
    if (pcm) pcm += samples;
    frames -= piece;
    end_ += piece;
  }
}
