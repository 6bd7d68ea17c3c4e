#include "telephony/wave/LSoundPlayer.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "audio/LSPPeakLimit.h"
#include "audio/LevelMeter.h"
#include "core/Trace.h"

LSoundPlayer::LSoundPlayer(MainLoop& loop, LSoundPlayerNotify* owner, uint32_t cookie)
    : owner_(owner),
      cookie_(cookie),
      opener_(LWaveDevices::OutOpener(LWaveDeviceSpec{})),
      window_(loop, [this] { OnNotify(); }) {}

LSoundPlayer::~LSoundPlayer() {
  StopThreadTimed(kStopTimeoutMs);
  Close();
}

void LSoundPlayer::SetDevice(LWaveOutOpener opener) { opener_ = std::move(opener); }

bool LSoundPlayer::Start(LSoundSourceRef source, uint32_t flags) {
  Stop();
  if (!window_.IsValid()) {
    Trace("LSoundPlayer::Start Window Not Created Error");
    return false;
  }
  if (!source || source->IsError()) {
    Trace("LSoundPlayer::Start Source Error");
    return false;
  }
  if (source->MaxLevel() > static_cast<uint32_t>(kFullScale16)) {
    source = LSPPeakLimit(kFullScale16).OpenSource(source);
    if (source->IsError()) {
      Trace("LSoundPlayer::Start Peak Limit Error");
      return false;
    }
  }
  if (!Open(std::move(source))) return false;
  uint32_t ms = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (flags & (kStartPaused | kStartHeld)) {
      device_->Pause();
      state_ |= (flags & kStartPaused) ? kPaused : kHeld;
    }
    position_ = source_->GetPosition();
    ms = ToMs(position_);
  }
  if (!LThread::Start(kPriorityBelowNormal)) {
    Close();
    return false;
  }
  if (owner_) {
    if (flags & kStartPaused) {
      owner_->spntfStartPaused(cookie_);
    } else {
      owner_->spntfPlay(cookie_);
    }
    owner_->spntfPosition(cookie_, ms);
  }
  return true;
}

// Opens the device and lays out the buffers for `source`.
bool LSoundPlayer::Open(LSoundSourceRef source) {
  const LWavePcmFormat format{static_cast<uint32_t>(source->SampleRate()), source->Channels()};
  std::unique_ptr<LWaveOutDevice> device = opener_(format, bufferDone_, false);
  if (!device) device = opener_(format, bufferDone_, true);
  if (!device) {
    Trace("LSoundPlayer::Start waveOutOpen Error");
    return false;
  }
  std::lock_guard<std::mutex> guard(lock_);
  device_ = std::move(device);
  source_ = std::move(source);
  rate_ = source_->SampleRate();
  channels_ = source_->Channels();
  frames_ = WaveBufferFrames(rate_);
  const std::size_t samples = static_cast<std::size_t>(frames_) * channels_;
  block_.assign(samples * kBuffers, 0);
  conversion_.assign(samples, 0);
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    LSoundPlayerWaveHeader& buffer = headers_[i];
    buffer.capacity = static_cast<uint32_t>(samples * 2);
    buffer.header.Prepare(block_.data() + i * samples, buffer.capacity);
    buffer.header.user = LSoundPlayerWaveHeader::kNoPosition;
    buffer.levels = LSoundLevels{};
  }
  state_ = kOpen | kPriorityNotRaised;
  reportStop_ = false;
  reportPosition_ = false;
  index_ = 0;
  return true;
}

void LSoundPlayer::Stop() {
  if (!IsOpen()) return;
  StopThreadTimed(kStopTimeoutMs);
  Close();
  if (owner_) owner_->spntfStop(cookie_);
}

// Releases what Open took; the worker has ended.
void LSoundPlayer::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  if (!(state_ & kOpen)) return;
  device_->Reset();
  int budget = kUnprepareBudgetMs;
  for (LSoundPlayerWaveHeader& buffer : headers_) {
    while (!buffer.header.Unprepare()) {
      if (budget <= 0) {
        Trace("LSoundPlayerWaveHeader::Destroy waveOutUnprepareHeader TIMEOUT");
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      budget -= 50;
    }
  }
  // The device goes before the buffers it may still hold.
  device_.reset();
  std::vector<int16_t>().swap(block_);
  std::vector<int32_t>().swap(conversion_);
  source_ = LSoundSourceRef();
  position_ = 0;
  state_ = 0;
  reportStop_ = false;
  reportPosition_ = false;
}

// A worker that ended at the end of the source is needed again after a
// seek or cue moved the source back.
void LSoundPlayer::EnsureWorker() {
  if (IsOpen() && !IsRunning()) LThread::Start(kPriorityBelowNormal);
}

void LSoundPlayer::Play() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!(state_ & kOpen)) return;
    if (state_ & kCueing) {
      device_->BreakLoop();
      state_ &= ~kCueing;
    }
    if (state_ & kPaused) {
      device_->Restart();
      state_ &= ~kPaused;
    }
  }
  EnsureWorker();
  if (owner_) owner_->spntfPlay(cookie_);
}

void LSoundPlayer::Pause() {
  LSoundLevels levels;
  uint32_t ms = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!(state_ & kOpen)) return;
    if (state_ & kCueing) {
      if (state_ & kPaused) {
        device_->Restart();
        state_ &= ~kPaused;
      }
      return;
    }
    device_->Reset();
    ClearPositions();
    source_->Seek(position_);
    BuildCue(levels);
    state_ = kOpen | kCueing | kPriorityNotRaised;
    ++epoch_;
    SetPriority(kPriorityLowest);
    ms = ToMs(position_);
  }
  EnsureWorker();
  if (owner_) {
    owner_->spntfLevel(cookie_, levels);
    owner_->spntfPause(cookie_);
    owner_->spntfPosition(cookie_, ms);
  }
}

void LSoundPlayer::Seek(int32_t frame) {
  LSoundLevels levels;
  bool cueing = false;
  uint32_t ms = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!(state_ & kOpen)) return;
    device_->Reset();
    ClearPositions();
    source_->Seek(frame);
    position_ = source_->GetPosition();
    if (state_ & kPaused) device_->Pause();
    cueing = (state_ & kCueing) != 0;
    if (cueing) {
      BuildCue(levels);
    } else {
      index_ = 0;
    }
    SetPriority(kPriorityLowest);
    state_ |= kPriorityNotRaised;
    reportStop_ = false;
    reportPosition_ = false;
    ++epoch_;
    ms = ToMs(position_);
  }
  EnsureWorker();
  if (owner_) {
    if (cueing) owner_->spntfLevel(cookie_, levels);
    owner_->spntfPosition(cookie_, ms);
  }
}

void LSoundPlayer::ClearPositions() {
  for (LSoundPlayerWaveHeader& buffer : headers_) {
    buffer.header.user = LSoundPlayerWaveHeader::kNoPosition;
  }
}

// A quarter buffer from the source, repeated over header 0, looping
// endlessly.
void LSoundPlayer::BuildCue(LSoundLevels& levels) {
  LSoundPlayerWaveHeader& cue = headers_[0];
  const int32_t quarter = std::max(1, frames_ / 4);
  source_->Read(conversion_.data(), quarter);
  const std::size_t piece = static_cast<std::size_t>(quarter) * channels_;
  const std::size_t samples = static_cast<std::size_t>(frames_) * channels_;
  for (std::size_t i = 0; i < samples; ++i) cue.header.data[i] = ChainTo16(conversion_[i % piece]);
  cue.header.bufferLength = static_cast<uint32_t>(samples * 2);
  cue.header.loops = 0x7FFFFFFF;
  cue.header.flags.fetch_or(LWaveHeader::kBeginLoop | LWaveHeader::kEndLoop);
  cue.levels.MeasureMeanSquare(conversion_.data(), quarter, channels_);
  levels = cue.levels;
  device_->Write(cue.header);
}

std::array<uint8_t, LSoundPlayer::kCueGraphSize> LSoundPlayer::GetCueGraph(uint32_t spanMs,
                                                                         uint32_t startMs) {
  std::array<uint8_t, kCueGraphSize> graph{};
  std::lock_guard<std::mutex> guard(lock_);
  if (!(state_ & kCueing)) return graph;
  const int32_t remembered = source_->GetPosition();
  source_->Seek(static_cast<int32_t>(int64_t{startMs} * rate_ / 1000));
  const int64_t span = int64_t{spanMs} * rate_ / 1000;
  int64_t sliceStart = 0;
  for (int i = 0; i < kCueGraphSize; ++i) {
    const int64_t sliceEnd = (i + 1) * span / kCueGraphSize;
    int64_t frames = std::min<int64_t>(sliceEnd - sliceStart, 8192);
    sliceStart = sliceEnd;
    uint32_t peak = 0;
    while (frames > 0) {
      const auto piece = static_cast<int32_t>(std::min<int64_t>(frames, frames_));
      source_->Read(conversion_.data(), piece);
      peak = std::max(peak, PeakLevel(conversion_.data(), piece * channels_));
      frames -= piece;
    }
    graph[static_cast<std::size_t>(i)] = peak >= 522241 ? 255 : static_cast<uint8_t>(peak / 2048);
  }
  source_->Seek(remembered);
  return graph;
}

uint16_t LSoundPlayer::State() const {
  std::lock_guard<std::mutex> guard(lock_);
  return state_;
}

int32_t LSoundPlayer::Position() const {
  std::lock_guard<std::mutex> guard(lock_);
  return position_;
}

uint32_t LSoundPlayer::PositionMs() const {
  std::lock_guard<std::mutex> guard(lock_);
  return ToMs(position_);
}

int32_t LSoundPlayer::EndSample() const {
  std::lock_guard<std::mutex> guard(lock_);
  return source_ ? source_->GetEndSample() : 0;
}

uint32_t LSoundPlayer::EndMs() const {
  std::lock_guard<std::mutex> guard(lock_);
  return source_ ? ToMs(source_->GetEndSample()) : 0;
}

int32_t LSoundPlayer::SampleRate() const {
  std::lock_guard<std::mutex> guard(lock_);
  return rate_;
}

int32_t LSoundPlayer::FramesPerBuffer() const {
  std::lock_guard<std::mutex> guard(lock_);
  return frames_;
}

uint32_t LSoundPlayer::ToMs(int64_t frames) const {
  return static_cast<uint32_t>(std::max<int64_t>(0, frames) * 1000 / rate_);
}
