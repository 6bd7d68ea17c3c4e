#include "telephony/wave/LSoundRecorder.h"

#include <algorithm>

#include "core/Trace.h"

LSoundRecorder::LSoundRecorder(MainLoop& loop, LSoundRecorderNotify* owner, uint32_t cookie)
    : owner_(owner),
      cookie_(cookie),
      opener_(LWaveDevices::InOpener(LWaveDeviceSpec{})),
      window_(loop, [this] { OnNotify(); }) {}

LSoundRecorder::~LSoundRecorder() {
  StopThreadTimed(kStopTimeoutMs);
  Close(false);
}

void LSoundRecorder::SetDevice(LWaveInOpener opener) { opener_ = std::move(opener); }

bool LSoundRecorder::Start(LSoundSinkRef sink, uint32_t flags, uint32_t hangOverMs,
                           int8_t threshold, uint32_t maxMs) {
  Stop();
  if (!sink || sink->IsError()) {
    Trace("LSoundRecorder::Start Sink Error");
    return false;
  }
  sink_ = std::move(sink);
  channels_ = std::max(1, sink_->Channels());
  rate_ = sink_->SampleRate() > 0 ? sink_->SampleRate() : 44100;
  maxMs_ = maxMs;
  threshold_ = threshold;
  release_ = static_cast<int8_t>(std::clamp(threshold - 5, -127, 127));
  hangOverMs_ = hangOverMs;
  mark_ = SinkMs();
  state_ = (flags & kStartRecording) ? kRecording : kWaiting;
  started_.Reset();
  if (flags & kStartHeld) {
    go_.Reset();
  } else {
    go_.Set();
  }
  return Launch();
}

// Starts the worker and waits until it has the device ready.
bool LSoundRecorder::Launch() {
  if (!LThread::Start(kPriorityNormal)) {
    state_ = kStopped;
    sink_ = LSoundSinkRef();
    return false;
  }
  if (!started_.Wait(kStartWaitMs)) Trace("LSoundRecorder::Start Wait for Start FAILED");
  if (state_ == kStopped) {
    Trace("LSoundRecorder::Start ThreadStart must have failed so return false");
    StopThreadTimed(kStopTimeoutMs);
    sink_ = LSoundSinkRef();
    return false;
  }
  return true;
}

void LSoundRecorder::Stop() {
  if (state_ == kStopped) return;
  StopThreadTimed(kStopTimeoutMs);
  Close(true);
}

void LSoundRecorder::Close(bool notify) {
  if (state_ == kStopped) return;
  TruncateTail();
  sink_ = LSoundSinkRef();
  mark_ = 0;
  state_ = kStopped;
  maxReached_ = false;
  reportLevel_ = false;
  reportState_ = false;
  ++runs_;
  if (notify && owner_) owner_->srntfStop(cookie_);
}

void LSoundRecorder::TruncateTail() {
  const uint32_t keep = mark_ + kStopTailMs;
  mark_ = keep;
  if (SinkMs() > keep) sink_->Truncate(MsToFrames(keep));
}

bool LSoundRecorder::StartPausedResume() {
  if (state_ == kStopped) return false;
  StopThreadTimed(kStopTimeoutMs);
  TruncateTail();
  // The sink keeps what was recorded: the next stop must not cut into it.
  mark_ = SinkMs();
  state_ = kWaiting;
  maxReached_ = false;
  reportLevel_ = false;
  reportState_ = false;
  ++runs_;
  started_.Reset();
  go_.Set();
  if (!Launch()) {
    mark_ = 0;
    if (owner_) owner_->srntfStop(cookie_);
    return false;
  }
  if (owner_) {
    owner_->srntfWait(cookie_);
    owner_->srntfTime(cookie_, mark_);
  }
  return true;
}

// Runs on the owner's thread for every batch of reports.
void LSoundRecorder::OnNotify() {
  if (state_ == kStopped) return;
  if (maxReached_) {
    Stop();
    return;
  }
  if (!owner_) return;
  const uint64_t run = runs_;
  auto ended = [&] { return runs_ != run || state_ == kStopped; };
  if (reportLevel_.exchange(false)) {
    owner_->srntfTime(cookie_, mark_);
    if (ended()) return;
    LSoundLevels levels;
    {
      std::lock_guard<std::mutex> guard(levelsLock_);
      levels = levels_;
    }
    owner_->srntfLevel(cookie_, levels);
    if (ended()) return;
  }
  if (reportState_.exchange(false)) {
    if (state_ == kWaiting) {
      owner_->srntfWait(cookie_);
    } else {
      owner_->srntfRecord(cookie_);
    }
  }
}

uint32_t LSoundRecorder::SinkMs() const {
  return static_cast<uint32_t>(std::max<int64_t>(0, sink_->Position()) * 1000 / rate_);
}

int32_t LSoundRecorder::MsToFrames(uint32_t ms) const {
  return static_cast<int32_t>(std::min<int64_t>(int64_t{ms} * rate_ / 1000, INT32_MAX));
}
