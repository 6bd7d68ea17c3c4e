#include "core/MainLoop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <re.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/MainMessages.h"
#include "core/ManualClock.h"
#include "core/SystemClock.h"

namespace {

using namespace std::chrono_literals;
using Ids = std::vector<int>;
using Texts = std::vector<std::string>;

struct Recorder : LTimerHandler {
  void OnTimer(int id) override { fired.push_back(id), onTimer ? onTimer(id) : void(); }
  Ids fired;
  std::function<void(int)> onTimer;
};

// A loop on a ManualClock. Step lets a driver thread wait until the loop has
// fired every timer due after a jump: a 0 ms timer set after the jump sorts
// after them.
class MainLoopTest : public ::testing::Test, public LTimerHandler {
 protected:
  bool Step(uint64_t ms) {
    clock_.Advance(ms);
    const int before = reached_;
    loop_.Post([this] { loop_.SetTimer(this, 0, 0); });
    for (int i = 0; i < 5000 && reached_ == before; ++i) std::this_thread::sleep_for(1ms);
    return reached_ > before;
  }
  void OnTimer(int) override { ++reached_; }
  // Runs the loop on this thread while `driver` runs on another, then stops it.
  void RunDriven(const std::function<void()>& driver) {
    std::thread thread([&] { driver(), loop_.Stop(); });
    EXPECT_TRUE(loop_.Run());
    thread.join();
  }

  ManualClock clock_;
  MainLoop loop_{clock_};
  std::atomic<int> reached_{0};
};


// Many idle connections must not leave new calls without sockets to watch:
// descriptors past libre's default of 1024 are watched too.
TEST_F(MainLoopTest, WatchesDescriptorsUpToTheProcessLimit) {
  rlimit files{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
  EXPECT_EQ(files.rlim_cur, files.rlim_max);
  if (files.rlim_cur <= 1600) GTEST_SKIP() << "the hard descriptor limit is " << files.rlim_max;
  const int low = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  const int high = ::fcntl(low, F_DUPFD_CLOEXEC, 1500);
  ASSERT_GE(high, 1500);
  EXPECT_EQ(fd_listen(high, FD_READ, [](int, void*) {}, nullptr), 0);
  fd_close(high);
  ::close(high);
  ::close(low);
}

TEST_F(MainLoopTest, KeepEachThreadsOrderAndLoseNoneBeyondAFullPipe) {
  constexpr int kThreads = 3, kEach = 20000;
  std::vector<std::vector<int>> got(kThreads);
  std::atomic<int> refused{0};
  auto produce = [&](int from, int to) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = from; i < to; ++i) refused += !loop_.Post([&got, t, i] { got[t].push_back(i); });
      });
    for (std::thread& thread : threads) thread.join();
  };
  // The first halves wait before the loop runs: 30000 pending at once; the
  // second halves race with the running loop.
  produce(0, kEach / 2);
  RunDriven([&] { produce(kEach / 2, kEach); });
  EXPECT_EQ(refused, 0);
  std::vector<int> expected(kEach);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(got, std::vector(kThreads, expected));
}

TEST_F(MainLoopTest, SendReturnsTheHandlersResultAndOnTheLoopThreadHandlesAtOnce) {
  Texts seen;
  loop_.SetMessageHandler([&](const LMessage& message) {
    seen.push_back(std::to_string(message.wParam) + "/" + std::to_string(message.lParam) + message.text);
    return message.wParam * 2;
  });
  std::optional<int64_t> sent, sentOnLoop;
  RunDriven([&] {
    EXPECT_TRUE(loop_.PostMessage({WM_IVRCMAIN_LINESTATE, 1, 3, {}}));
    sent = loop_.Send({WM_DELMESSAGE, 21, 0, " msg0001.ini"});
    loop_.Post([&] {
      seen.push_back("before");
      sentOnLoop = loop_.Send({WM_CONTROLCOMMAND, 5, 0, {}});
      seen.push_back("after");
    });
  });
  EXPECT_TRUE(sent == 42 && sentOnLoop == 10 && seen == Texts({"1/3", "21/0 msg0001.ini", "before", "5/0", "after"}));
}

TEST_F(MainLoopTest, SendTimesOutOnTheLoopsClockAndTheMessageIsStillHandled) {
  std::string handled;
  loop_.SetMessageHandler([&](const LMessage& message) { return handled = message.text, 5; });
  std::atomic<bool> sendReturned{false};
  // The loop stays busy, its clock running fast, until the Send gave up.
  loop_.Post([&] {
    for (; !sendReturned; std::this_thread::sleep_for(2ms)) clock_.Advance(500);
  });
  std::optional<int64_t> result{-1};
  const auto start = std::chrono::steady_clock::now();
  RunDriven([&] {
    std::string path(300, 'p');  // gone with this frame before the loop reads it
    result = loop_.Send({WM_LOADIVRFILEQUIET, 0, 0, path});
    sendReturned = true;
  });
  // The default is 3000 ms.
  EXPECT_TRUE(!result && std::chrono::steady_clock::now() - start < 2500ms && handled == std::string(300, 'p'));
}

TEST_F(MainLoopTest, StopHandlesEarlierMessagesAndRefusesLaterOnes) {
  int handled = 0;
  for (int i = 0; i < 100; ++i) loop_.Post([&] { ++handled; });
  loop_.Post([&] {
    loop_.Stop();
    EXPECT_FALSE(loop_.Post([&] { handled += 1000; }));
  });
  loop_.Post([&] { ++handled; });  // posted before the stop: still handled
  std::optional<int64_t> sent{-1};
  std::thread sender([&] {
    loop_.Stop();  // a second Stop from another thread, before Run
    sent = loop_.Send({WM_WAKEBGTASK, 0, 0, {}});
  });
  sender.join();
  EXPECT_TRUE(!sent && loop_.Run());
  EXPECT_EQ(handled, 101);
  EXPECT_FALSE(loop_.Run());
  MainLoop second(clock_);  // only one loop at a time
  EXPECT_FALSE(second.IsValid() || second.Post([] {}));
}

TEST_F(MainLoopTest, FireInDeadlineThenSetOrderAndNeverEarly) {
  Recorder timers, killer;
  auto doomed = std::make_unique<Recorder>();
  // A handler removed by another timer of the same round never fires.
  killer.onTimer = [&](int) { loop_.KillTimers(doomed.get()), doomed.reset(); };
  for (auto [handler, id, ms] : {std::tuple<Recorder*, int, uint64_t>{&timers, 1, 300}, {&timers, 2, 100}, {&killer, 1, 100},
                                 {doomed.get(), 1, 100}, {&timers, 3, 100}, {&timers, 4, 200},
                                 {&timers, 2, 100}})  // 2 set again: now after 3
    loop_.SetTimer(handler, id, ms);
  std::vector<Ids> seen;
  RunDriven([&] {
    for (uint64_t step : {99, 1, 1000}) seen.push_back(Step(step) ? timers.fired : Ids{-1});
  });
  EXPECT_TRUE(seen == (std::vector<Ids>{{}, {3, 2}, {3, 2, 4, 1}}) && killer.fired == Ids{1});
}

TEST_F(MainLoopTest, RearmFromTheHandlerKillAndSetAgain) {
  Recorder periodic, other;
  periodic.onTimer = [&](int id) { loop_.SetTimer(&periodic, id, 100); };
  loop_.SetTimer(&periodic, 1, 100);
  loop_.SetTimer(&other, 1, 150), loop_.SetTimer(&other, 2, 150), loop_.KillTimer(&other, 2);
  loop_.SetTimer(&other, 1, 250);  // moves the pending timer later
  std::vector<std::pair<size_t, size_t>> counts;
  RunDriven([&] {
    for (uint64_t step : {100, 100, 50, 1000}) {
      EXPECT_TRUE(Step(step));
      counts.emplace_back(periodic.fired.size(), other.fired.size());
    }
    loop_.Post([&] { loop_.KillTimers(&periodic); });
    EXPECT_TRUE(Step(0) && Step(1000));
    counts.emplace_back(periodic.fired.size(), other.fired.size());
  });
  // A long jump fires a re-armed one-shot timer once, not once per period.
  EXPECT_TRUE(counts == (decltype(counts){{1, 0}, {2, 0}, {2, 1}, {3, 1}, {3, 1}}) && other.fired == Ids{1});
}

TEST_F(MainLoopTest, ZeroDelayRearmDoesNotStarveMessagesAndStopEndsTimers) {
  Recorder spinner, late;
  spinner.onTimer = [&](int) { loop_.SetTimer(&spinner, 1, 0); };
  late.onTimer = [&](int) { loop_.Stop(); };
  loop_.SetTimer(&spinner, 1, 0), loop_.SetTimer(&late, 1, 50), loop_.SetTimer(&late, 2, 50);
  std::thread driver([&] {
    EXPECT_TRUE(Step(0));
    clock_.Advance(50);  // the first late timer stops the loop
  });
  EXPECT_TRUE(loop_.Run());
  driver.join();
  EXPECT_TRUE(spinner.fired.size() > 1u && late.fired == Ids{1}) << spinner.fired.size();
}

// On the system clock, timers fire on time; the second one raises a signal
// that ends the loop.
TEST(MainLoopOnTheSystemClock, TimersFireOnTimeAndSigtermOrSigintEndTheLoop) {
  struct sigaction before = {}, after = {};
  ::sigaction(SIGTERM, nullptr, &before);
  for (int sig : {SIGTERM, SIGINT}) {
    SystemClock clock;
    MainLoop loop(clock);
    std::vector<uint32_t> ids;
    if (sig == SIGINT)  // without a handler SIGTERM stops the loop itself
      loop.SetMessageHandler([&](const LMessage& message) {
        ids.push_back(message.id);
        if (message.id == WM_LSHUTDOWN) loop.Stop();
        return 0;
      });
    const uint64_t start = clock.TickCount();
    std::vector<uint64_t> at;
    std::thread raiser;
    Recorder timers;
    timers.onTimer = [&](int) {
      at.push_back(clock.TickCount() - start);
      if (at.size() == 2) raiser = std::thread([sig] { std::raise(sig); });
    };
    loop.SetTimer(&timers, 1, 60), loop.SetTimer(&timers, 2, 20);
    EXPECT_TRUE(loop.Run());
    raiser.join();
    EXPECT_TRUE(timers.fired == Ids({2, 1}) && at[0] >= 20 && at[1] >= 60 && at[1] < 2000) << at[0] << " " << at[1];
    EXPECT_EQ(ids, (sig == SIGINT ? std::vector<uint32_t>{WM_LSHUTDOWN} : std::vector<uint32_t>{}));
  }
  ::sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

// A burst of slow messages gives way to timers and sockets after a few
// milliseconds, so a key that arrives meanwhile does not wait for the burst.
TEST(MainLoopOnTheSystemClock, ADueTimerFiresWithinABurstOfSlowMessages) {
  SystemClock clock;
  MainLoop loop(clock);
  constexpr int kSlow = 40;
  int handled = 0, handledWhenFired = -1;
  Recorder timer;
  timer.onTimer = [&](int) { handledWhenFired = handled; };
  loop.Post([&] {
    loop.SetTimer(&timer, 1, 1);
    for (int i = 0; i < kSlow; ++i) loop.Post([&] { std::this_thread::sleep_for(1ms), ++handled; });
    loop.Post([&] { loop.Stop(); });
  });
  EXPECT_TRUE(loop.Run());
  EXPECT_TRUE(handledWhenFired >= 0 && handledWhenFired < kSlow) << handledWhenFired;
}

}  // namespace
