#include "core/LSignalObject.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(LSignalObject, StaysSetUntilReset) {
  LSignalObject event;
  EXPECT_FALSE(event.IsSet());
  event.Set();
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(LSignalObject::kInfinite));  // manual reset: still set
  event.Reset();
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.Wait(0));
}

TEST(LSignalObject, WaitSignalDualWakesOnEitherEvent) {
  for (bool setStop : {true, false}) {
    LSignalObject stop;
    LSignalObject work;
    auto start = Clock::now();
    std::thread setter([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      (setStop ? stop : work).Set();
    });
    EXPECT_TRUE(work.WaitSignalDual(stop, LSignalObject::kInfinite)) << setStop;
    setter.join();
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_EQ(stop.IsSet(), setStop);
    EXPECT_EQ(work.IsSet(), !setStop);
  }
}

TEST(LSignalObject, WaitSignalDualTimesOut) {
  LSignalObject stop;
  LSignalObject work;
  auto start = Clock::now();
  EXPECT_FALSE(work.WaitSignalDual(stop, 60));
  long elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 60);
  EXPECT_LT(elapsed, 2000);
  // A reset event no longer wakes anybody.
  work.Set();
  work.Reset();
  EXPECT_FALSE(work.WaitSignalDual(stop, 10));
}

TEST(LSignalObject, WithoutEventFdStaysUsableAndWaitsReturnAtOnce) {
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  testing::internal::CaptureStderr();
  rlimit none = saved;
  none.rlim_cur = 0;  // no new descriptor can be opened
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
  auto event = std::make_unique<LSignalObject>();
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  LSignalObject stop;

  auto start = Clock::now();
  EXPECT_FALSE(event->WaitSignalDual(stop, LSignalObject::kInfinite));
  EXPECT_LT(ElapsedMs(start), 1000);
  event->Set();
  EXPECT_TRUE(event->IsSet());
  EXPECT_TRUE(event->WaitSignalDual(stop, LSignalObject::kInfinite));
  std::string trace = testing::internal::GetCapturedStderr();
  EXPECT_NE(trace.find("LSignalObject::LSignalObject CreateEvent FAILED"), std::string::npos);
  EXPECT_NE(trace.find("LSignalObject::WaitSignalDual hSignalObject is NULL"), std::string::npos);
}

}  // namespace
