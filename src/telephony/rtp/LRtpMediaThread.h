#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "core/PiMutex.h"

class LClock;
class LRtpMedia;

// The thread that drives every call's RTP: on each 20 ms slot of the
// clock's grid it ticks every media added, so one wake-up sends all their
// packets, and nothing the loop thread waits for (disk flushes, SIP work)
// makes a packet late. It asks for real-time scheduling, which it gets
// where the system allows; with no media it sleeps until one is added.
class LRtpMediaThread {
 public:
  static constexpr uint64_t kSlotMs = 20;

  explicit LRtpMediaThread(const LClock& clock);
  ~LRtpMediaThread();
  LRtpMediaThread(const LRtpMediaThread&) = delete;
  LRtpMediaThread& operator=(const LRtpMediaThread&) = delete;

  // From any thread but this one. Once Remove returns, the media is not
  // ticked any more (a round under way has ended).
  void Add(LRtpMedia& media);
  void Remove(LRtpMedia& media);

 private:
  void Run();
  void WaitForSlot(std::unique_lock<PiMutex>& lock);

  const LClock& clock_;
  PiMutex lock_;
  std::condition_variable_any changed_;
  std::vector<LRtpMedia*> media_;
  uint64_t nextDueMs_ = 0;  // when the next round is due
  bool stopping_ = false;
  std::thread thread_;
};
