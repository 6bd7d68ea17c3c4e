#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/LSignalObject.h"
#include "core/PiMutex.h"
#include "telephony/wave/LWaveHeader.h"

// The buffer queue behind every wave device: the owner queues headers and
// steers (run, pause, reset, break a loop); the device's thread takes chunks
// of the front buffer, plays or fills them, and gives them back. Finished
// buffers are marked done and the owner's completion event is set.
//
// While the device thread holds a chunk (Acquire .. Release) the queue is
// busy; ReturnAll waits for that, so after it returns no buffer is touched.
// Meanwhile the device thread gets no further chunk and its sleep ends, so
// a reset never waits for the queued audio to play out.
// Waits of the device thread are cut short by every change of state, so
// Pause and Reset take effect within one chunk. The rings grow only when
// more buffers are queued than ever before: no allocation per buffer.
class LWaveQueue {
 public:
  enum class Direction { kOut, kIn };
  struct Chunk {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    explicit operator bool() const { return size != 0; }
  };
  using TimePoint = std::chrono::steady_clock::time_point;

  LWaveQueue(Direction direction, LSignalObject& done, bool running);
  LWaveQueue(const LWaveQueue&) = delete;
  LWaveQueue& operator=(const LWaveQueue&) = delete;

  // Owner side.
  bool Add(LWaveHeader& header);
  void SetRunning(bool running);
  bool Running() const;
  void BreakLoop();
  // Returns the front buffer if something was recorded into it.
  void ReturnPartial();
  // Returns every buffer, waiting until the device thread lets go.
  void ReturnAll();
  // Ends the device thread's waits for good.
  void Shutdown();
  // Output: bytes not yet sounded; input: room in the queued buffers.
  uint32_t QueuedBytes() const;

  // Device side.
  // Up to maxBytes (whole frames) of the front buffer, once running and
  // non-empty; empty after waitMs or on shutdown.
  Chunk Acquire(uint32_t maxBytes, int waitMs);
  // Gives back the chunk with `bytes` of it played or filled. An output
  // buffer whose last byte went out completes now when `sounded`, else when
  // Complete reports it played.
  void Release(uint32_t bytes, bool sounded = true);
  // Output: completes the buffers whose end lies within the first
  // `playedBytes` ever released.
  void Complete(uint64_t playedBytes);
  uint64_t ReleasedBytes() const;
  // Sleeps until `due`; false when a change of state or shutdown came first.
  bool SleepUntil(TimePoint due);
  bool IsShutdown() const;
  // Counts changes of state (run, pause, reset), so a device thread can see
  // that its hardware needs restarting.
  uint64_t Generation() const;

 private:
  struct Entry {
    LWaveHeader* header;
    uint64_t end;  // released byte count at its last byte (sounding ring)
  };
  // A growable FIFO of entries.
  class Ring {
   public:
    bool Empty() const { return count_ == 0; }
    std::size_t Size() const { return count_; }
    Entry& Front() { return items_[head_]; }
    Entry& At(std::size_t i) { return items_[(head_ + i) % items_.size()]; }
    void Push(Entry entry);
    Entry Pop();

   private:
    std::vector<Entry> items_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
  };

  void FinishFront();
  void CompleteUpTo(uint64_t playedBytes);
  void MarkDone(LWaveHeader& header);
  void Changed();
  void AwaitIdle(std::unique_lock<PiMutex>& guard);

  const Direction direction_;
  LSignalObject& done_;
  mutable PiMutex lock_;
  std::condition_variable_any wake_;  // the device thread waits here
  std::condition_variable_any idle_;  // ReturnAll waits here for busy_ to clear
  Ring pending_;
  Ring sounding_;
  uint32_t offset_ = 0;  // bytes of the front buffer already taken
  uint32_t pass_ = 0;    // passes of a looping front buffer
  uint64_t released_ = 0;
  uint64_t queuedBytes_ = 0;
  uint64_t generation_ = 0;
  bool running_;
  bool busy_ = false;
  uint32_t returning_ = 0;  // owners waiting in AwaitIdle
  bool breakLoop_ = false;
  bool shutdown_ = false;
};
