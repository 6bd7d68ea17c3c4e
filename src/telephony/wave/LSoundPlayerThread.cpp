// The player's worker thread and the delivery of its reports.
#include <algorithm>

#include "core/Trace.h"
#include "telephony/wave/LSoundPlayer.h"

void LSoundPlayer::ThreadFunction() {
  int failedLooks = 0;
  for (;;) {
    bufferDone_.Reset();
    std::unique_lock<std::mutex> guard(lock_);
    LSoundPlayerWaveHeader& current = headers_[static_cast<std::size_t>(index_)];
    if (!current.header.IsDone()) {
      LookFailed(failedLooks);
      guard.unlock();
      bufferDone_.WaitSignalDual(StopSignal(), kLookMs);
      if (IsToStop()) break;
      continue;
    }
    failedLooks = 0;
    const Serviced serviced = Service(guard, current);
    if (serviced == Serviced::kEnd) return;
    if (serviced == Serviced::kNext) Advance();
    guard.unlock();
    if (IsToStop()) break;
  }
  std::lock_guard<std::mutex> guard(lock_);
  device_->Reset();
}

void LSoundPlayer::LookFailed(int& failedLooks) {
  if (state_ & kPriorityNotRaised) {
    // The device holds every buffer: from now on it must never run dry.
    SetPriority(kPriorityTimeCritical);
    state_ &= ~kPriorityNotRaised;
    Trace("LSoundPlayer::ThreadFunction Takeoff-complete lock thread to high priority");
  }
  if (++failedLooks <= kMaxFailedLooks) return;
  if (state_ & kCueing) {
    failedLooks = 0;
  } else if (!reportStop_) {
    Trace("LSoundPlayer::ThreadFunction iCountFail so stop - buffers are not being returned");
    reportStop_ = true;
    window_.Post();
  }
}

// Handles the done buffer at the index: reports where it got to and refills
// it from the source.
LSoundPlayer::Serviced LSoundPlayer::Service(std::unique_lock<std::mutex>& guard,
                                             LSoundPlayerWaveHeader& current) {
  if (current.header.user != LSoundPlayerWaveHeader::kNoPosition) {
    position_ = static_cast<int32_t>(current.header.user);
    levels_ = current.levels;
    current.header.user = LSoundPlayerWaveHeader::kNoPosition;
    reportPosition_ = true;
    window_.Post();
  }
  int32_t available = source_->GetEndSample() - source_->GetPosition();
  if (available <= 0 && source_->IsStreaming()) {
    const Stall stall = WaitForData(guard, available);
    if (stall == Stall::kRestart) return Serviced::kAgain;
    if (stall == Stall::kSkip) return Serviced::kNext;
  }
  if (available > 0) {
    Queue(current, std::min(available, frames_));
    return Serviced::kNext;
  }
  if (AllDone()) {
    Trace("LSoundPlayer::ThreadFunction All buffers empty so notify stopped");
    reportStop_ = true;
    window_.Post();
    return Serviced::kEnd;
  }
  return Serviced::kNext;
}

// A growing source has nothing yet: wait for it within the stall budget,
// which is not charged while the device still has audio queued. The unit is
// channels x frames bytes, half a buffer of 16-bit audio (50 ms at the line
// format): more than that queued waits uncharged, six units skip the header.
LSoundPlayer::Stall LSoundPlayer::WaitForData(std::unique_lock<std::mutex>& guard,
                                              int32_t& available) {
  const uint32_t unit = static_cast<uint32_t>(channels_ * frames_);
  const uint64_t epoch = epoch_;
  int budget = kStallBudgetMs;
  while (available <= 0 && source_->IsStreaming() && budget > 0 && !IsToStop()) {
    const uint32_t queued = device_->QueuedBytes();
    if (queued >= 6 * unit) return Stall::kSkip;
    const bool charged = queued <= unit;
    const int ms = !charged || source_->GetPosition() == 0 ? 25 : 250;
    LSoundSourceBase* source = source_.Get();
    guard.unlock();
    source->Wait(ms);
    guard.lock();
    if (epoch != epoch_) return Stall::kRestart;
    if (charged) budget -= ms;
    available = source_->GetEndSample() - source_->GetPosition();
  }
  return Stall::kGo;
}

void LSoundPlayer::Queue(LSoundPlayerWaveHeader& current, int32_t frames) {
  source_->Read(conversion_.data(), frames);
  const std::size_t samples = static_cast<std::size_t>(frames) * channels_;
  for (std::size_t i = 0; i < samples; ++i) current.header.data[i] = ChainTo16(conversion_[i]);
  current.header.bufferLength = static_cast<uint32_t>(samples * 2);
  current.header.loops = 0;
  current.header.flags.fetch_and(~(LWaveHeader::kBeginLoop | LWaveHeader::kEndLoop));
  current.header.user = static_cast<uint32_t>(source_->GetPosition());
  current.levels.MeasureMeanSquare(conversion_.data(), frames, channels_);
  device_->Write(current.header);
}

bool LSoundPlayer::AllDone() const {
  return std::all_of(headers_.begin(), headers_.end(),
                     [](const LSoundPlayerWaveHeader& buffer) { return buffer.header.IsDone(); });
}

void LSoundPlayer::Advance() {
  index_ = (index_ + 1) % kBuffers;
  if (index_ == kTakeOffBuffer && (state_ & kHeld)) {
    state_ &= ~kHeld;
    device_->Restart();
  }
}

// Runs on the owner's thread for every batch of reports.
void LSoundPlayer::OnNotify() {
  bool stop = false;
  bool position = false;
  uint32_t ms = 0;
  LSoundLevels levels;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!(state_ & kOpen)) return;
    stop = reportStop_;
    if (stop) {
      ms = ToMs(source_->GetEndSample());
    } else if (reportPosition_) {
      reportPosition_ = false;
      position = true;
      ms = ToMs(position_);
      levels = levels_;
    }
  }
  if (stop) {
    if (owner_) owner_->spntfPosition(cookie_, ms);
    bool still = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      still = reportStop_;
    }
    if (still) Stop();
    return;
  }
  if (position && owner_) {
    owner_->spntfPosition(cookie_, ms);
    owner_->spntfLevel(cookie_, levels);
  }
}
