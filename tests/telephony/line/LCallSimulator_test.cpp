#include "telephony/line/LCallSimulator.h"

#include <gtest/gtest.h>

#include "core/ManualClock.h"
#include "telephony/line/RecordingNotify.h"
#include "telephony/SoundTestSupport.h"

namespace {

using Heard = std::vector<std::string>;

class CallSimulator : public ::testing::Test {
 protected:
  CallSimulator() {
    simulator.SetDefaultHandler(&handler);
    simulator.SetStateListener([this](bool connected) { states.push_back(connected); });
  }

  LoopRunner runner;
  ManualClock clock{0, 1000};
  std::shared_ptr<FakeDeviceState> device = std::make_shared<FakeDeviceState>();
  LCallSimulator simulator{runner.loop, clock, FakeOutOpener(device), FakeInOpener(device)};
  RecordingNotify handler;
  std::vector<bool> states;
};

TEST_F(CallSimulator, ConnectsAtTheRingTheControllerAnswersAndKeysOnlyReachACall) {
  handler.answerAtRing = 50;  // never answered: left idle
  EXPECT_FALSE(simulator.ConnectCall());
  EXPECT_EQ(std::tuple(handler.Take().size(), simulator.IsConnected(), states.size()), std::tuple(50u, false, 0u));
  simulator.PressKey('1');  // idle: nothing
  handler.answerAtRing = 2;
  ASSERT_TRUE(simulator.ConnectCall());
  EXPECT_EQ(handler.Take(), (Heard{"Answer 0", "Answer 1", "Answer 2", "Start"}));
  EXPECT_EQ(std::tuple(simulator.CallerNumber(), simulator.CallerName()), std::tuple("5555555555", "Simulator"));
  simulator.PressKey('#');
  simulator.Dial("123");  // no digits are generated: complete at once
  EXPECT_EQ(handler.Take(), (Heard{"Press #", "DialComplete"}));
  simulator.HangUp();
  EXPECT_EQ(handler.Take(), Heard{"Disconnect"});
  EXPECT_EQ(states, (std::vector<bool>{true, false}));
}

TEST_F(CallSimulator, DropAndTransferHangUpOnceTheNotificationIsOver) {
  handler.answerAtRing = 0;
  auto endsBy = [this](std::function<void()> action) -> LoopRunner::Step {
    return [this, action] {
      if (!simulator.ConnectCall()) return false;
      handler.Take();
      action();
      return simulator.IsConnected();  // not from inside the handler's own call
    };
  };
  auto idle = [this] { return !simulator.IsConnected() && handler.Take() == Heard{"Disconnect"}; };
  ASSERT_TRUE(runner.Run({endsBy([this] { simulator.Drop(); }), idle,
                          endsBy([this] { simulator.TransferBlind("200"); }), idle}));
  EXPECT_FALSE(simulator.MakeCall("200"));
}

}  // namespace
