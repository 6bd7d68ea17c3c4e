#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "core/MainLoop.h"
#include "core/ManualClock.h"
#include "core/SystemClock.h"
#include "core/TimerQueue.h"

namespace {

using namespace std::chrono_literals;
using Ids = std::vector<int>;

class Recorder : public LTimerHandler {
 public:
  void OnTimer(int id) override {
    fired.push_back(id);
    if (onTimer) onTimer(id);
  }
  Ids fired;
  std::function<void(int)> onTimer;
};

// Lets a driver thread wait until the loop has fired every timer due at the
// clock's current tick: a 0 ms timer set after the jump sorts after them.
class Barrier : public LTimerHandler {
 public:
  explicit Barrier(MainLoop& loop) : loop_(loop) {}
  bool Wait() {
    auto reached = std::make_shared<std::promise<void>>();
    std::future<void> done = reached->get_future();
    loop_.Post([this, reached] {
      reached_ = reached;
      loop_.SetTimer(this, 0, 0);
    });
    return done.wait_for(5s) == std::future_status::ready;
  }
  void OnTimer(int) override { reached_->set_value(); }

 private:
  MainLoop& loop_;
  std::shared_ptr<std::promise<void>> reached_;
};

// Runs the loop on this thread while `driver` runs on another, then stops it.
void RunDriven(MainLoop& loop, const std::function<void()>& driver) {
  std::thread thread([&] {
    driver();
    loop.Stop();
  });
  EXPECT_TRUE(loop.Run());
  thread.join();
}

TEST(TimerQueue, OrdersByDeadlineThenBySetOrder) {
  Recorder a, b;
  TimerQueue queue;
  queue.Set(&a, 1, 300);
  queue.Set(&b, 2, 100);
  queue.Set(&a, 3, 100);
  queue.Set(&b, 4, 200);
  queue.Set(&b, 2, 100);  // set again: now after (a, 3)
  EXPECT_EQ(queue.NextDeadline(), 100u);
  Ids order;
  const uint64_t round = queue.NextSequence();
  while (const auto due = queue.PopDue(1000, round)) order.push_back(due->id);
  EXPECT_EQ(order, (Ids{3, 2, 4, 1}));
  EXPECT_FALSE(queue.NextDeadline());
}

TEST(TimerQueue, KillsOneTimerOrAllOfAHandler) {
  Recorder a, b;
  TimerQueue queue;
  queue.Set(&a, 1, 10);
  queue.Set(&a, 2, 20);
  queue.Set(&b, 1, 30);
  EXPECT_TRUE(queue.Kill(&a, 2));
  EXPECT_FALSE(queue.Kill(&a, 2));
  queue.KillAll(&a);
  EXPECT_EQ(queue.Size(), 1u);
  EXPECT_EQ(queue.NextDeadline(), 30u);
}

TEST(MainLoopTimers, FireInDeadlineOrderAndNeverEarly) {
  ManualClock clock;
  MainLoop loop(clock);
  Recorder timers;
  Barrier barrier(loop);
  loop.SetTimer(&timers, 1, 300);
  loop.SetTimer(&timers, 2, 100);
  loop.SetTimer(&timers, 3, 100);
  loop.SetTimer(&timers, 4, 200);
  std::vector<Ids> seen;
  RunDriven(loop, [&] {
    for (uint64_t step : {99, 1, 1000}) {
      clock.Advance(step);
      EXPECT_TRUE(barrier.Wait());
      seen.push_back(timers.fired);
    }
  });
  EXPECT_EQ(seen, (std::vector<Ids>{{}, {2, 3}, {2, 3, 4, 1}}));
}

TEST(MainLoopTimers, RearmFromTheHandlerKillAndSetAgain) {
  ManualClock clock;
  MainLoop loop(clock);
  Barrier barrier(loop);
  Recorder periodic, other;
  periodic.onTimer = [&](int id) { loop.SetTimer(&periodic, id, 100); };
  loop.SetTimer(&periodic, 1, 100);
  loop.SetTimer(&other, 1, 150);
  loop.SetTimer(&other, 2, 150);
  loop.KillTimer(&other, 2);
  loop.SetTimer(&other, 1, 250);  // moves the pending timer later
  using Counts = std::vector<std::pair<size_t, size_t>>;
  Counts counts;
  RunDriven(loop, [&] {
    for (uint64_t step : {100, 100, 50, 1000}) {
      clock.Advance(step);
      EXPECT_TRUE(barrier.Wait());
      counts.emplace_back(periodic.fired.size(), other.fired.size());
    }
    loop.Post([&] { loop.KillTimers(&periodic); });
    EXPECT_TRUE(barrier.Wait());
    clock.Advance(1000);
    EXPECT_TRUE(barrier.Wait());
    counts.emplace_back(periodic.fired.size(), other.fired.size());
  });
  // A long jump fires a re-armed one-shot timer once, not once per period.
  EXPECT_EQ(counts, (Counts{{1, 0}, {2, 0}, {2, 1}, {3, 1}, {3, 1}}));
  EXPECT_EQ(other.fired, (Ids{1}));
}

TEST(MainLoopTimers, HandlerRemovedByAnotherTimerOfTheSameRoundNeverFires) {
  ManualClock clock;
  MainLoop loop(clock);
  Barrier barrier(loop);
  auto doomed = std::make_unique<Recorder>();
  Recorder killer;
  killer.onTimer = [&](int) {
    loop.KillTimers(doomed.get());
    doomed.reset();
  };
  loop.SetTimer(&killer, 1, 100);
  loop.SetTimer(doomed.get(), 1, 100);
  RunDriven(loop, [&] {
    clock.Advance(100);
    EXPECT_TRUE(barrier.Wait());
  });
  EXPECT_EQ(killer.fired, (Ids{1}));
  EXPECT_FALSE(doomed);
}

TEST(MainLoopTimers, ZeroDelayRearmDoesNotStarveMessagesAndStopEndsTimers) {
  ManualClock clock;
  MainLoop loop(clock);
  Barrier barrier(loop);
  Recorder spinner, late;
  spinner.onTimer = [&](int) { loop.SetTimer(&spinner, 1, 0); };
  late.onTimer = [&](int) { loop.Stop(); };
  loop.SetTimer(&spinner, 1, 0);
  loop.SetTimer(&late, 1, 50);
  loop.SetTimer(&late, 2, 50);
  std::thread driver([&] {
    EXPECT_TRUE(barrier.Wait());
    clock.Advance(50);  // the first late timer stops the loop
  });
  EXPECT_TRUE(loop.Run());
  driver.join();
  EXPECT_GT(spinner.fired.size(), 1u);
  EXPECT_EQ(late.fired, (Ids{1}));
}

TEST(MainLoopTimers, RealClockTimersFireRoughlyOnTime) {
  SystemClock clock;
  MainLoop loop(clock);
  const uint64_t start = clock.TickCount();
  std::vector<std::pair<int, uint64_t>> fired;
  Recorder timers;
  timers.onTimer = [&](int id) {
    fired.emplace_back(id, clock.TickCount() - start);
    if (fired.size() == 2) loop.Stop();
  };
  loop.SetTimer(&timers, 1, 60);
  loop.SetTimer(&timers, 2, 20);
  EXPECT_TRUE(loop.Run());
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0].first, 2);
  EXPECT_GE(fired[0].second, 20u);
  EXPECT_GE(fired[1].second, 60u);
  EXPECT_LT(fired[1].second, 2000u);
}

}  // namespace
