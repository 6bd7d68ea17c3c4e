#include "core/LThread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool WaitUntil(const std::function<bool()>& done) {
  for (auto end = Clock::now() + 3s; Clock::now() < end; std::this_thread::sleep_for(2ms)) {
    if (done()) return true;
  }
  return done();
}

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Sleeps until there is work or it is told to stop; records its runs and the
// nice value it runs at.
class Waiter final : public LThread {
 public:
  ~Waiter() override { StopThreadTimed(kStopTimeoutMs); }

  LSignalObject work;
  std::atomic<int> runs{0};
  std::atomic<bool> endByItself{false};
  std::atomic<int> nice{-100};

 protected:
  void ThreadFunction() override {
    ++runs;
    while (!endByItself) {
      errno = 0;
      nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
      if (IsToStop()) return;
      work.WaitSignalDual(StopSignal(), LSignalObject::kInfinite);
      work.Reset();
    }
  }
};

TEST(LThread, StartOnARunningWorkerChangesNothing) {
  Waiter worker;
  ASSERT_TRUE(worker.Start(LThread::kPriorityNormal));
  ASSERT_TRUE(WaitUntil([&] { return worker.runs == 1; }));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(worker.Start(LThread::kPriorityNormal));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("LThread::Start Thread is already running!"),
            std::string::npos);
  EXPECT_TRUE(worker.IsRunning());
  EXPECT_FALSE(worker.IsToStop());

  worker.StopThreadTimed(LThread::kStopTimeoutMs);
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_TRUE(worker.IsToStop());
  EXPECT_EQ(worker.runs, 1);
}

TEST(LThread, StartAfterTheThreadEndedByItselfStartsAFreshOne) {
  Waiter worker;
  worker.endByItself = true;
  ASSERT_TRUE(worker.Start(LThread::kPriorityNormal));
  ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
  worker.endByItself = false;
  ASSERT_TRUE(worker.Start(LThread::kPriorityNormal));
  ASSERT_TRUE(WaitUntil([&] { return worker.runs == 2; }));
  EXPECT_TRUE(worker.IsRunning());
  // Stopped by the destructor.
}

TEST(LThread, StopOnANeverStartedWorkerReturnsAtOnce) {
  Waiter worker;
  auto start = Clock::now();
  worker.StopThreadTimed(LThread::kStopTimeoutMs);
  EXPECT_LT(ElapsedMs(start), 100);
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_FALSE(worker.IsToStop());
}

TEST(LThread, PrioritiesMapToNiceValuesAndNeverFailStart) {
  Waiter worker;
  ASSERT_TRUE(worker.Start(LThread::kPriorityBelowNormal));
  ASSERT_TRUE(WaitUntil([&] { return worker.nice != -100; }));
  EXPECT_GE(worker.nice, 10);  // at least: a process may already run niced
  worker.SetPriority(LThread::kPriorityLowest);
  worker.work.Set();
  EXPECT_TRUE(WaitUntil([&] { return worker.nice == 19; }));
  worker.StopThreadTimed(LThread::kStopTimeoutMs);

  // Real-time scheduling needs privileges: granted or not, the worker runs.
  EXPECT_TRUE(worker.Start(LThread::kPriorityTimeCritical));
  EXPECT_TRUE(WaitUntil([&] { return worker.runs == 2; }));
}

// What a stubborn body shares with the test; it outlives the worker object.
struct StubbornRun {
  bool askObject = false;  // read IsToStop() on the object, else the signal
  std::atomic<bool> entered{false};
  std::atomic<bool> stopAtEntry{true};
  std::atomic<bool> sawStop{false};
  std::atomic<bool> done{false};
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
    const LSignalObject& stop = StopSignal();
    run.stopAtEntry = stop.IsSet();
    run.entered = true;
    run.release.Wait(3000);  // deaf to the stop signal
    run.sawStop = run.askObject ? IsToStop() : stop.IsSet();
    run.done = true;
  }
};

TEST(LThread, AStubbornWorkerIsDetachedAfterTheTimeOut) {
  auto first = std::make_shared<StubbornRun>();
  auto second = std::make_shared<StubbornRun>();
  first->askObject = true;  // its object lives until it is done
  auto worker = std::make_unique<Stubborn>();
  worker->next = first;
  ASSERT_TRUE(worker->Start(LThread::kPriorityNormal));
  ASSERT_TRUE(WaitUntil([&] { return first->entered.load(); }));

  testing::internal::CaptureStderr();
  auto start = Clock::now();
  worker->StopThreadTimed(100);
  EXPECT_LT(ElapsedMs(start), 600);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("LThread::StopThreadTimed TimeOut ERROR"),
            std::string::npos);
  EXPECT_FALSE(worker->IsRunning());
  EXPECT_FALSE(first->done);

  // A new run gets its own stop signal; the detached one keeps its own.
  worker->next = second;
  ASSERT_TRUE(worker->Start(LThread::kPriorityNormal));
  ASSERT_TRUE(WaitUntil([&] { return second->entered.load(); }));
  EXPECT_FALSE(second->stopAtEntry);
  first->release.Set();
  ASSERT_TRUE(WaitUntil([&] { return first->done.load(); }));
  EXPECT_TRUE(first->sawStop);

  // Destroying the object detaches the second run, which outlives it.
  testing::internal::CaptureStderr();
  worker.reset();
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(second->done);
  second->release.Set();
  ASSERT_TRUE(WaitUntil([&] { return second->done.load(); }));
  EXPECT_TRUE(second->sawStop);
  // The threads drop their share when they end: nothing runs past the test.
  EXPECT_TRUE(WaitUntil([&] { return first.use_count() == 1 && second.use_count() == 1; }));
}

}  // namespace
