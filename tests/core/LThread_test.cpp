#include "core/LThread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/LSignalObject.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
// What a busy machine may add before a woken thread runs; bounds that stand
// for "at once" stay well below the 5 s stop time-out they tell apart from.
constexpr auto kLoadMargin = 1s;

TEST(LSignalObject, StaysSetUntilResetAndWaitSignalDualWakesOnEither) {
  for (bool setOther : {true, false}) {
    LSignalObject other, event;
    const auto start = Clock::now();
    std::thread setter([&] { std::this_thread::sleep_for(30ms), (setOther ? other : event).Set(); });
    EXPECT_TRUE(event.WaitSignalDual(other, LSignalObject::kInfinite) && Clock::now() - start < 2s);
    setter.join();
    // Manual reset: the one set is still set.
    EXPECT_TRUE(other.IsSet() == setOther && event.Wait(0) == !setOther) << setOther;
  }
  LSignalObject other, event;
  event.Set(), event.Set(), event.Reset();  // a reset event no longer wakes anybody
  const auto start = Clock::now();
  EXPECT_TRUE(!event.WaitSignalDual(other, 60) && Clock::now() - start >= 60ms);
}

// Sleeps until there is work or it is told to stop; records its runs and the
// nice value it runs at.
class Waiter final : public LThread {
 public:
  ~Waiter() override { StopThreadTimed(kStopTimeoutMs); }

  LSignalObject work;
  std::atomic<int> runs{0}, nice{-100};
  std::atomic<bool> endByItself{false};

 protected:
  void ThreadFunction() override {
    ++runs;
    for (;;) {
      nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
      if (endByItself || IsToStop()) return;
      work.WaitSignalDual(StopSignal(), LSignalObject::kInfinite);
      work.Reset();
    }
  }
};

TEST(LThread, StartsStopsAndSetsPriorities) {
  Waiter worker;
  const auto start = Clock::now();
  worker.StopThreadTimed(LThread::kStopTimeoutMs);  // never started: returns at once
  EXPECT_TRUE(Clock::now() - start < kLoadMargin && !worker.IsToStop());
  // A process may already run niced.
  ASSERT_TRUE(worker.Start(LThread::kPriorityBelowNormal) && WaitUntil([&] { return worker.nice >= 10; }));
  EXPECT_FALSE(worker.Start(LThread::kPriorityNormal));  // already running: nothing changes
  worker.SetPriority(LThread::kPriorityLowest), worker.work.Set();
  EXPECT_TRUE(WaitUntil([&] { return worker.nice == 19; }) && !worker.IsToStop());
  worker.StopThreadTimed(LThread::kStopTimeoutMs);
  EXPECT_TRUE(!worker.IsRunning() && worker.IsToStop() && worker.runs == 1);

  // After a thread ended by itself, Start runs a fresh one. Real-time
  // scheduling needs privileges: granted or not, the worker runs.
  worker.endByItself = true;
  ASSERT_TRUE(worker.Start(LThread::kPriorityNormal) && WaitUntil([&] { return !worker.IsRunning(); }));
  EXPECT_EQ(worker.nice, ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid())));  // the main thread's
  worker.endByItself = false;
  ASSERT_TRUE(worker.Start(LThread::kPriorityTimeCritical) && WaitUntil([&] { return worker.runs == 3; }) &&
              worker.IsRunning());
}

// What a stubborn body shares with the test; it outlives the worker object.
struct StubbornRun {
  bool askObject = false;  // read IsToStop() on the object, else the signal
  std::atomic<bool> entered{false}, stopAtEntry{true}, sawStop{false}, done{false};
  LSignalObject release;
};

// Ignores its stop signal for a while, as a body stuck in a slow call would.
class Stubborn final : public LThread {
 public:
  ~Stubborn() override { StopThreadTimed(100); }
  std::shared_ptr<StubbornRun> next;

 protected:
  std::shared_ptr<void> ShareThreadState() override { return next; }
  void ThreadFunction() override {
    StubbornRun& run = ThreadState<StubbornRun>();
    run.stopAtEntry = StopSignal().IsSet();
    run.entered = true;
    run.release.Wait(30000);  // deaf to the stop signal; the test releases it
    run.sawStop = run.askObject ? IsToStop() : StopSignal().IsSet();
    run.done = true;
  }
};

TEST(LThread, AStubbornWorkerIsDetachedAfterTheTimeOut) {
  auto first = std::make_shared<StubbornRun>(), second = std::make_shared<StubbornRun>();
  first->askObject = true;  // its object lives until it is done
  auto worker = std::make_unique<Stubborn>();
  worker->next = first;
  ASSERT_TRUE(worker->Start(LThread::kPriorityNormal) && WaitUntil([&] { return first->entered.load(); }));

  testing::internal::CaptureStderr();
  const auto start = Clock::now();
  worker->StopThreadTimed(100);
  EXPECT_TRUE(Clock::now() - start < 100ms + kLoadMargin && !worker->IsRunning() && !first->done);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("LThread::StopThreadTimed TimeOut ERROR"), std::string::npos);

  // A new run gets its own stop signal; the detached one keeps its own.
  worker->next = second;
  ASSERT_TRUE(worker->Start(LThread::kPriorityNormal) &&
              WaitUntil([&] { return second->entered && !second->stopAtEntry; }));
  first->release.Set();
  EXPECT_TRUE(WaitUntil([&] { return first->done.load(); }) && first->sawStop);

  // Destroying the object detaches the second run, which outlives it.
  worker.reset();
  EXPECT_FALSE(second->done);
  second->release.Set();
  EXPECT_TRUE(WaitUntil([&] { return second->done.load(); }) && second->sawStop);
  // The threads drop their share when they end: nothing runs past the test.
  EXPECT_TRUE(WaitUntil([&] { return first.use_count() == 1 && second.use_count() == 1; }));
}

}  // namespace
