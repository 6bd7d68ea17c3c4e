#include "telephony/wave/LWaveQueue.h"

#include <algorithm>

void LWaveQueue::Ring::Push(Entry entry) {
  if (count_ == items_.size()) {
    std::vector<Entry> grown;
    grown.reserve(std::max<std::size_t>(16, items_.size() * 2));
    for (std::size_t i = 0; i < count_; ++i) grown.push_back(At(i));
    grown.resize(grown.capacity(), Entry{nullptr, 0});
    items_ = std::move(grown);
    head_ = 0;
  }
  items_[(head_ + count_) % items_.size()] = entry;
  ++count_;
}

LWaveQueue::Entry LWaveQueue::Ring::Pop() {
  Entry entry = items_[head_];
  head_ = (head_ + 1) % items_.size();
  --count_;
  return entry;
}

LWaveQueue::LWaveQueue(Direction direction, LSignalObject& done, bool running)
    : direction_(direction), done_(done), running_(running) {}

bool LWaveQueue::Add(LWaveHeader& header) {
  const uint32_t flags = header.flags.load();
  if (!(flags & LWaveHeader::kPrepared) || (flags & LWaveHeader::kInQueue)) return false;
  std::lock_guard<PiMutex> guard(lock_);
  header.bytesRecorded = 0;
  header.flags.store((flags & ~LWaveHeader::kDone) | LWaveHeader::kInQueue);
  pending_.Push(Entry{&header, 0});
  queuedBytes_ += header.bufferLength;
  wake_.notify_all();
  return true;
}

void LWaveQueue::Changed() {
  ++generation_;
  wake_.notify_all();
}

void LWaveQueue::SetRunning(bool running) {
  std::lock_guard<PiMutex> guard(lock_);
  if (running_ == running) return;
  running_ = running;
  Changed();
}

bool LWaveQueue::Running() const {
  std::lock_guard<PiMutex> guard(lock_);
  return running_;
}

void LWaveQueue::BreakLoop() {
  std::lock_guard<PiMutex> guard(lock_);
  breakLoop_ = true;
}

void LWaveQueue::MarkDone(LWaveHeader& header) {
  header.flags.store((header.flags.load() & ~LWaveHeader::kInQueue) | LWaveHeader::kDone);
  done_.Set();
}

// Waits until the device thread lets go of its chunk. The thread would take
// the next chunk as soon as it released one, so it is held off meanwhile.
void LWaveQueue::AwaitIdle(std::unique_lock<PiMutex>& guard) {
  ++returning_;
  Changed();
  idle_.wait(guard, [this] { return !busy_; });
  --returning_;
  wake_.notify_all();
}

void LWaveQueue::ReturnPartial() {
  std::unique_lock<PiMutex> guard(lock_);
  AwaitIdle(guard);
  if (pending_.Empty() || offset_ == 0) return;
  LWaveHeader& header = *pending_.Pop().header;
  header.bytesRecorded = offset_;
  queuedBytes_ -= header.bufferLength;
  offset_ = 0;
  MarkDone(header);
}

void LWaveQueue::ReturnAll() {
  std::unique_lock<PiMutex> guard(lock_);
  AwaitIdle(guard);
  while (!sounding_.Empty()) MarkDone(*sounding_.Pop().header);
  bool front = true;
  while (!pending_.Empty()) {
    LWaveHeader& header = *pending_.Pop().header;
    if (direction_ == Direction::kIn) header.bytesRecorded = front ? offset_ : 0;
    front = false;
    MarkDone(header);
  }
  offset_ = 0;
  pass_ = 0;
  breakLoop_ = false;
  queuedBytes_ = 0;
}

void LWaveQueue::Shutdown() {
  std::lock_guard<PiMutex> guard(lock_);
  shutdown_ = true;
  Changed();
}

uint32_t LWaveQueue::QueuedBytes() const {
  std::lock_guard<PiMutex> guard(lock_);
  return static_cast<uint32_t>(std::min<uint64_t>(queuedBytes_, UINT32_MAX));
}

LWaveQueue::Chunk LWaveQueue::Acquire(uint32_t maxBytes, int waitMs) {
  std::unique_lock<PiMutex> guard(lock_);
  auto ready = [this] { return shutdown_ || (running_ && returning_ == 0 && !pending_.Empty()); };
  // A wait of 0 ms would still sleep in the kernel; the media thread asks
  // every call's queues for audio in each 20 ms slot and must not.
  if (waitMs > 0) wake_.wait_for(guard, std::chrono::milliseconds(waitMs), ready);
  if (shutdown_ || !ready()) return {};
  LWaveHeader& header = *pending_.Front().header;
  const uint32_t left = header.bufferLength - offset_;
  busy_ = true;
  return Chunk{reinterpret_cast<uint8_t*>(header.data) + offset_, std::min(left, maxBytes)};
}

void LWaveQueue::Release(uint32_t bytes, bool sounded) {
  std::lock_guard<PiMutex> guard(lock_);
  busy_ = false;
  idle_.notify_all();
  if (pending_.Empty() || bytes == 0) return;
  LWaveHeader& header = *pending_.Front().header;
  offset_ += bytes;
  released_ += bytes;
  if (direction_ == Direction::kIn) {
    header.bytesRecorded = offset_;
  } else {
    queuedBytes_ -= bytes;
  }
  if (offset_ < header.bufferLength) return;
  const bool looping = (header.flags.load() & LWaveHeader::kBeginLoop) != 0;
  if (direction_ == Direction::kOut && looping && !breakLoop_ && ++pass_ < header.loops) {
    offset_ = 0;
    queuedBytes_ += header.bufferLength;
    return;
  }
  FinishFront();
  if (sounded) CompleteUpTo(released_);
}

void LWaveQueue::FinishFront() {
  Entry entry = pending_.Pop();
  offset_ = 0;
  pass_ = 0;
  breakLoop_ = false;
  if (direction_ == Direction::kIn) {
    queuedBytes_ -= entry.header->bufferLength;
    MarkDone(*entry.header);
    return;
  }
  entry.end = released_;
  queuedBytes_ += entry.header->bufferLength;  // counted until it has sounded
  sounding_.Push(entry);
}

void LWaveQueue::Complete(uint64_t playedBytes) {
  std::lock_guard<PiMutex> guard(lock_);
  CompleteUpTo(playedBytes);
}

void LWaveQueue::CompleteUpTo(uint64_t playedBytes) {
  while (!sounding_.Empty() && sounding_.Front().end <= playedBytes) {
    LWaveHeader& header = *sounding_.Pop().header;
    queuedBytes_ -= header.bufferLength;
    MarkDone(header);
  }
}

uint64_t LWaveQueue::ReleasedBytes() const {
  std::lock_guard<PiMutex> guard(lock_);
  return released_;
}

bool LWaveQueue::SleepUntil(TimePoint due) {
  std::unique_lock<PiMutex> guard(lock_);
  const uint64_t seen = generation_;
  return !wake_.wait_until(guard, due,
                           [&] { return shutdown_ || returning_ > 0 || generation_ != seen; });
}

bool LWaveQueue::IsShutdown() const {
  std::lock_guard<PiMutex> guard(lock_);
  return shutdown_;
}

uint64_t LWaveQueue::Generation() const {
  std::lock_guard<PiMutex> guard(lock_);
  return generation_;
}
