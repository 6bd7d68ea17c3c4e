#pragma once

#include <pthread.h>

// A mutex with priority inheritance, where the kernel has it: while a more
// urgent thread waits for it, its holder runs at that thread's priority.
// The real-time media thread shares its locks with the loop and the audio
// threads; without this, a holder kept off the processor by other busy
// threads would hold every call's packets back. Lockable, so it works with
// std::lock_guard, std::unique_lock and std::condition_variable_any.
class PiMutex {
 public:
  PiMutex();
  ~PiMutex();
  PiMutex(const PiMutex&) = delete;
  PiMutex& operator=(const PiMutex&) = delete;

  void lock();
  void unlock();
  bool try_lock();

 private:
  pthread_mutex_t mutex_;
};
