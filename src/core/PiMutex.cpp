#include "core/PiMutex.h"

#include <cstdlib>

// A kernel without priority inheritance gets an ordinary mutex.
PiMutex::PiMutex() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
  const bool inherits = pthread_mutex_init(&mutex_, &attributes) == 0;
  pthread_mutexattr_destroy(&attributes);
  if (!inherits && pthread_mutex_init(&mutex_, nullptr) != 0) std::abort();
}

PiMutex::~PiMutex() { pthread_mutex_destroy(&mutex_); }

// A failure here is a locking fault (a lock not held, a dead holder):
// going on would corrupt what the lock guards.
void PiMutex::lock() {
  if (pthread_mutex_lock(&mutex_) != 0) std::abort();
}

void PiMutex::unlock() {
  if (pthread_mutex_unlock(&mutex_) != 0) std::abort();
}

bool PiMutex::try_lock() { return pthread_mutex_trylock(&mutex_) == 0; }
