#include "core/MainQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/Trace.h"

MainQueue::MainQueue() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!wakeFd_.Valid()) {
    Trace("MainQueue eventfd FAILED: %s", std::strerror(errno));
    closed_ = true;
  }
}

void MainQueue::Wake() const {
  const uint64_t one = 1;
  // Fails only when the counter is already huge, and then the loop is awake.
  ssize_t ignored = ::write(wakeFd_.Get(), &one, sizeof one);
  (void)ignored;
}

void MainQueue::ClearWake() const {
  uint64_t count = 0;
  ssize_t ignored = ::read(wakeFd_.Get(), &count, sizeof count);
  (void)ignored;
}

bool MainQueue::Push(Item item) {
  bool wasEmpty = false;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    wasEmpty = items_.empty();
    items_.push_back(std::move(item));
  }
  if (wasEmpty) Wake();
  return true;
}

std::optional<MainQueue::Item> MainQueue::TakeNext() {
  std::lock_guard lock(mutex_);
  if (items_.empty()) return std::nullopt;
  Item item = std::move(items_.front());
  items_.pop_front();
  return item;
}

bool MainQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return items_.empty();
}

void MainQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  if (wakeFd_.Valid()) Wake();
}

bool MainQueue::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

size_t MainQueue::Shutdown() {
  std::deque<Item> left;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    left.swap(items_);
    for (Item& item : left)
      if (item.reply) item.reply->done = true;
  }
  replied_.notify_all();
  // The items (and whatever their functions hold) die outside the lock.
  return left.size();
}

void MainQueue::Complete(Reply& reply, std::optional<int64_t> result) {
  {
    std::lock_guard lock(mutex_);
    reply.done = true;
    reply.result = result;
  }
  replied_.notify_all();
}

bool MainQueue::WaitReply(const Reply& reply, const LClock& clock, uint64_t timeoutMs) {
  const uint64_t start = clock.TickCount();
  std::unique_lock lock(mutex_);
  while (!reply.done) {
    const uint64_t waited = clock.TickCount() - start;
    if (waited >= timeoutMs) return false;
    // The real wait only bounds one round; the time-out is the clock's.
    replied_.wait_for(lock, std::chrono::milliseconds(timeoutMs - waited));
  }
  return true;
}

void MainQueue::NotifyWaiters() {
  // Taking the lock orders the notification after a waiter's check.
  { std::lock_guard lock(mutex_); }
  replied_.notify_all();
}
