#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/MainLoop.h"
#include "core/MainMessages.h"
#include "core/ManualClock.h"
#include "core/SystemClock.h"

namespace {

using namespace std::chrono_literals;

TEST(MainLoopMessages, KeepEachThreadsOrderAndLoseNoneBeyondAFullPipe) {
  SystemClock clock;
  MainLoop loop(clock);
  constexpr int kThreads = 3, kEach = 20000, kHalf = kEach / 2;
  std::vector<std::vector<int>> got(kThreads);
  std::atomic<int> refused{0};
  auto produce = [&](int thread, int from, int to) {
    for (int i = from; i < to; ++i)
      if (!loop.Post([&got, thread, i] { got[thread].push_back(i); })) ++refused;
  };
  // The first halves wait before the loop runs: 30000 pending at once.
  std::vector<std::thread> producers;
  for (int t = 0; t < kThreads; ++t) producers.emplace_back(produce, t, 0, kHalf);
  for (std::thread& producer : producers) producer.join();
  // The second halves race with the running loop.
  std::thread stopper([&] {
    std::vector<std::thread> racing;
    for (int t = 0; t < kThreads; ++t) racing.emplace_back(produce, t, kHalf, kEach);
    for (std::thread& producer : racing) producer.join();
    loop.Stop();
  });
  EXPECT_TRUE(loop.Run());
  stopper.join();
  EXPECT_EQ(refused, 0);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(got[t].size(), size_t{kEach});
    int outOfOrder = 0;
    for (int i = 0; i < kEach; ++i) outOfOrder += got[t][i] != i;
    EXPECT_EQ(outOfOrder, 0) << "thread " << t;
  }
}

TEST(MainLoopMessages, PostedAndSentMessagesReachTheHandler) {
  SystemClock clock;
  MainLoop loop(clock);
  std::vector<LMessage> seen;
  loop.SetMessageHandler([&](const LMessage& message) {
    seen.push_back(message);
    return message.wParam * 2;
  });
  std::optional<int64_t> result;
  std::thread worker([&] {
    EXPECT_TRUE(loop.PostMessage({WM_IVRCMAIN_LINESTATE, 1, 3, {}}));
    std::string path = "/data/MailBoxes/1/msg0001.ini";
    result = loop.Send({WM_DELMESSAGE, 21, 0, path});
    loop.Stop();
  });
  EXPECT_TRUE(loop.Run());
  worker.join();
  EXPECT_EQ(result, 42);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].id, 1036u);
  EXPECT_EQ(seen[0].wParam, 1);
  EXPECT_EQ(seen[0].lParam, 3);
  EXPECT_EQ(seen[1].id, 1030u);
  EXPECT_EQ(seen[1].text, "/data/MailBoxes/1/msg0001.ini");
}

TEST(MainLoopMessages, SendOnTheLoopThreadIsHandledAtOnce) {
  SystemClock clock;
  MainLoop loop(clock);
  std::vector<std::string> order;
  loop.SetMessageHandler([&](const LMessage& message) {
    order.push_back("handler");
    return message.wParam == 0 ? 1 : 0;
  });
  std::optional<int64_t> result;
  loop.Post([&] {
    order.push_back("before");
    result = loop.Send({WM_CONTROLCOMMAND, 0, 0, {}});
    order.push_back("after");
    loop.Stop();
  });
  EXPECT_TRUE(loop.Run());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"before", "handler", "after"}));
}

TEST(MainLoopMessages, SendTimesOutWhileTheLoopIsBusyAndTheMessageIsStillHandled) {
  SystemClock clock;
  MainLoop loop(clock);
  std::atomic<int> handled{0};
  std::string handledText;
  loop.SetMessageHandler([&](const LMessage& message) {
    ++handled;
    handledText = message.text;
    loop.Stop();
    return 5;
  });
  std::promise<void> busy, sendReturned;
  std::shared_future<void> released = sendReturned.get_future().share();
  loop.Post([&busy, released] {
    busy.set_value();
    released.wait_for(5s);
  });
  std::optional<int64_t> result{-1};
  uint64_t waited = 0;
  std::thread worker([&] {
    busy.get_future().wait();
    std::string path(300, 'p');  // gone with this frame before the loop reads it
    const uint64_t start = clock.TickCount();
    result = loop.Send({WM_LOADIVRFILEQUIET, 0, 0, path}, 50);
    waited = clock.TickCount() - start;
    sendReturned.set_value();
  });
  EXPECT_TRUE(loop.Run());
  worker.join();
  EXPECT_FALSE(result);
  EXPECT_GE(waited, 50u);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(handledText, std::string(300, 'p'));
}

TEST(MainLoopMessages, SendTimeOutIsMeasuredOnTheLoopsClock) {
  ManualClock clock;
  MainLoop loop(clock);
  loop.SetMessageHandler([](const LMessage&) { return 1; });
  std::promise<void> sendReturned;
  std::shared_future<void> released = sendReturned.get_future().share();
  loop.Post([released] { released.wait_for(5s); });
  std::atomic<bool> done{false};
  std::optional<int64_t> result{-1};
  SystemClock real;
  const uint64_t start = real.TickCount();
  std::thread worker([&] {
    result = loop.Send({WM_USER + 3, 0, 0, "announce.wav"});
    done = true;
    sendReturned.set_value();
  });
  std::thread driver([&] {
    while (!done) {
      clock.Advance(500);
      std::this_thread::sleep_for(2ms);
    }
    loop.Stop();
  });
  EXPECT_TRUE(loop.Run());
  worker.join();
  driver.join();
  EXPECT_FALSE(result);
  EXPECT_LT(real.TickCount() - start, 2500u);
}

TEST(MainLoopMessages, StopHandlesEarlierMessagesAndRefusesLaterOnes) {
  SystemClock clock;
  MainLoop loop(clock);
  int handled = 0;
  for (int i = 0; i < 100; ++i) loop.Post([&] { ++handled; });
  loop.Post([&] {
    loop.Stop();
    EXPECT_FALSE(loop.Post([&] { handled += 1000; }));
  });
  loop.Post([&] { ++handled; });  // posted before the stop: still handled
  std::optional<int64_t> sent{-1};
  std::thread sender([&] {
    loop.Stop();  // a second Stop from another thread, before Run
    sent = loop.Send({WM_WAKEBGTASK, 0, 0, {}});
  });
  sender.join();
  EXPECT_FALSE(sent);
  EXPECT_TRUE(loop.Run());
  EXPECT_EQ(handled, 101);
  EXPECT_FALSE(loop.PostMessage({WM_NEWMESSAGE, 1, 0, {}}));
  EXPECT_FALSE(loop.Run());
}

TEST(MainLoopMessages, OnlyOneLoopAtATime) {
  SystemClock clock;
  {
    MainLoop first(clock);
    EXPECT_TRUE(first.IsValid());
    MainLoop second(clock);
    EXPECT_FALSE(second.IsValid());
    EXPECT_FALSE(second.Run());
    EXPECT_FALSE(second.Post([] {}));
  }
  MainLoop third(clock);
  EXPECT_TRUE(third.IsValid());
  std::thread other([&] { EXPECT_FALSE(third.Run()); });
  other.join();
}

void RaiseFromAnotherThreadWhileRunning(MainLoop& loop, int sig) {
  std::thread raiser;
  loop.Post([&] { raiser = std::thread([sig] { std::raise(sig); }); });
  EXPECT_TRUE(loop.Run());
  raiser.join();
}

TEST(MainLoopSignals, SigtermStopsTheLoopAndTheOldHandlerComesBack) {
  struct sigaction before {};
  ::sigaction(SIGTERM, nullptr, &before);
  {
    SystemClock clock;
    MainLoop loop(clock);
    RaiseFromAnotherThreadWhileRunning(loop, SIGTERM);
  }
  struct sigaction after {};
  ::sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(MainLoopSignals, SigintReachesTheMessageHandlerAsShutdown) {
  SystemClock clock;
  MainLoop loop(clock);
  std::vector<uint32_t> ids;
  loop.SetMessageHandler([&](const LMessage& message) {
    ids.push_back(message.id);
    if (message.id == WM_LSHUTDOWN) loop.Stop();
    return 0;
  });
  RaiseFromAnotherThreadWhileRunning(loop, SIGINT);
  EXPECT_EQ(ids, (std::vector<uint32_t>{WM_LSHUTDOWN}));
}

}  // namespace
