// The recorder's worker thread: the device, the levels and the
// voice-activated switching between waiting and recording.
#include <algorithm>

#include "core/Trace.h"
#include "telephony/wave/LSoundRecorder.h"

void LSoundRecorder::ThreadFunction() {
  const LWavePcmFormat format{rate_, channels_};
  std::unique_ptr<LWaveInDevice> device = opener_(format, event_, false);
  if (!device) device = opener_(format, event_, true);
  if (!device) {
    Trace("LSoundRecorder::ThreadFunction waveInOpen Error");
    state_ = kStopped;
    started_.Set();
    return;
  }
  device->Stop();
  Prepare(*device);
  started_.Set();
  go_.WaitSignalDual(StopSignal(), LSignalObject::kInfinite);
  SetPriority(kPriorityTimeCritical);
  device->Start();
  int index = 0;
  while (!IsToStop()) {
    event_.Reset();
    LWaveHeader& header = headers_[static_cast<std::size_t>(index)];
    if (!header.IsDone()) {
      event_.WaitSignalDual(StopSignal(), 200);
      continue;
    }
    Process(*device, header);
    index = (index + 1) % kBuffers;
  }
  device->Reset();
  if (state_ == kRecording) WriteRemaining(index);
  for (LWaveHeader& each : headers_) each.Unprepare();
  device.reset();
  std::vector<int16_t>().swap(block_);
  std::vector<int32_t>().swap(work_);
  std::vector<int32_t>().swap(preroll_);
  maxReached_ = false;
  reportLevel_ = false;
  reportState_ = false;
}

// Lays out the buffers and queues them all.
void LSoundRecorder::Prepare(LWaveInDevice& device) {
  frames_ = WaveBufferFrames(static_cast<int32_t>(rate_));
  const std::size_t samples = static_cast<std::size_t>(frames_) * channels_;
  work_.assign(samples, 0);
  preroll_.assign(samples, 0);
  prerollFrames_ = 0;
  prerollValid_ = false;
  block_.assign(samples * kBuffers, 0);
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    headers_[i].Prepare(block_.data() + i * samples, static_cast<uint32_t>(samples * 2));
    device.AddBuffer(headers_[i]);
  }
}

void LSoundRecorder::Convert(const LWaveHeader& header, int32_t frames) {
  const std::size_t samples = static_cast<std::size_t>(frames) * channels_;
  for (std::size_t i = 0; i < samples; ++i) work_[i] = ChainFrom16(header.data[i]);
}

void LSoundRecorder::Process(LWaveInDevice& device, LWaveHeader& header) {
  const auto frames = static_cast<int32_t>(header.bytesRecorded / 2 / channels_);
  Convert(header, frames);
  if (frames == 0) {
    device.AddBuffer(header);
    return;
  }
  LSoundLevels levels;
  levels.MeasurePeak(work_.data(), frames, channels_);
  if (state_ == kRecording) {
    Recording(frames, levels.BlockLevel());
  } else {
    Waiting(frames, levels.BlockLevel());
  }
  {
    std::lock_guard<std::mutex> guard(levelsLock_);
    levels_ = levels;
  }
  reportLevel_ = true;
  window_.Post();
  device.AddBuffer(header);
}

void LSoundRecorder::Recording(int32_t frames, int8_t level) {
  sink_->Write(work_.data(), frames);
  const uint32_t now = SinkMs();
  if (level < release_ && int64_t{now} - mark_ > hangOverMs_) {
    sink_->Truncate(MsToFrames(mark_ + kWaitTailMs));
    state_ = kWaiting;
    std::copy_n(work_.begin(), static_cast<std::size_t>(frames) * channels_, preroll_.begin());
    prerollFrames_ = frames;
    prerollValid_ = true;
    reportState_ = true;
    Trace("LSoundRecorder::ThreadFunction VoiceActivatedStop RECORDING->WAITING");
  } else if (level >= release_) {
    mark_ = now;
  }
  // A sink that can take no more (a full disk) ends the recording as the maximum time does.
  if (((maxMs_ != 0 && now > maxMs_) || sink_->IsError()) && !maxReached_) {
    Trace("LSoundRecorder::ThreadFunction Stop because MaxTime reached");
    maxReached_ = true;
  }
}

void LSoundRecorder::Waiting(int32_t frames, int8_t level) {
  const std::size_t samples = static_cast<std::size_t>(frames) * channels_;
  if (level < threshold_) {
    std::copy_n(work_.begin(), samples, preroll_.begin());
    prerollFrames_ = frames;
    prerollValid_ = true;
    return;
  }
  // Voice in the first half: the end of the block before leads it in.
  LSoundLevels half;
  half.MeasurePeak(work_.data(), frames / 2, channels_);
  if (half.BlockLevel() >= threshold_ && prerollValid_) {
    const int32_t skip = prerollFrames_ / 2;
    sink_->Write(preroll_.data() + static_cast<std::size_t>(skip) * channels_,
                 prerollFrames_ - skip);
  }
  sink_->Write(work_.data(), frames);
  // The onset is a loud block: a stop or a fall back to waiting keeps it.
  mark_ = SinkMs();
  state_ = kRecording;
  reportState_ = true;
  Trace("LSoundRecorder::ThreadFunction VoiceActivatedStart WAITING->RECORDING");
}

// After the device was reset: the buffers it filled and the worker had not
// yet taken, in ring order, the partly filled one last.
void LSoundRecorder::WriteRemaining(int index) {
  for (int i = 0; i < kBuffers; ++i) {
    const LWaveHeader& header = headers_[static_cast<std::size_t>((index + i) % kBuffers)];
    if (!header.IsDone()) continue;
    const auto frames = static_cast<int32_t>(header.bytesRecorded / 2 / channels_);
    if (frames < 1 || frames > frames_) continue;
    Convert(header, frames);
    sink_->Write(work_.data(), frames);
  }
}
