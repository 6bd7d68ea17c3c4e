#include "telephony/wave/LSoundPlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "audio/TestSources.h"
#include "telephony/SoundTestSupport.h"

namespace {

constexpr uint32_t kCookie = 7;

// A source still being written that never grows: every Wait is noted and
// returns at once, so the stall budget can be counted without waiting.
class StalledSource final : public LSoundSourceBase {
 public:
  explicit StalledSource(int32_t end) : LSoundSourceBase(8000, 1, kFullScale16), end_(end) {}
  void Read(int32_t* buffer, int32_t frames) override {
    std::fill(buffer, buffer + frames, 4000);
    position_ += frames;
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return end_; }
  bool IsStreaming() override { return true; }
  void Wait(int ms) override {
    std::lock_guard<std::mutex> guard(lock_);
    waits_.push_back(ms);
  }
  int Waits(int ms) {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(std::count(waits_.begin(), waits_.end(), ms));
  }

 private:
  std::mutex lock_;
  std::vector<int> waits_;
  int32_t position_ = 0;
  int32_t end_;
};

class LSoundPlayerTest : public ::testing::Test {
 protected:
  LSoundPlayerTest() { player.SetDevice(FakeOutOpener(device)); }
  ~LSoundPlayerTest() override { player.Stop(); }

  LoopRunner::Step PlayUntilStopped() {
    return [this] {
      device->Play(70);
      return log.Has("Stop");
    };
  }

  LoopRunner runner;
  NotifyLog log;
  std::shared_ptr<FakeDeviceState> device = std::make_shared<FakeDeviceState>();
  LSoundPlayer player{runner.loop, &log, kCookie};
};

TEST_F(LSoundPlayerTest, BuffersHoldOneTenthOfASecondWithinTheClamps) {
  struct Case { int32_t rate; int channels; uint32_t bytes; };
  std::vector<LoopRunner::Step> steps;
  for (Case c : {Case{8000, 1, 1600}, Case{100, 1, 40}, Case{96000, 1, 16384},
                 Case{192000, 2, 32768}, Case{44100, 2, 17640}}) {
    steps.push_back([this, c] {
      device->writes = 0;
      return player.Start(new TestSource(c.rate, c.channels, c.rate * 2), 0);
    });
    steps.push_back([this, c] {
      if (device->writes == 0) return false;
      EXPECT_EQ(c.bytes, device->firstLength.load()) << c.rate;
      EXPECT_EQ(c.bytes, static_cast<uint32_t>(WaveBufferFrames(c.rate) * c.channels * 2));
      player.Stop();
      return true;
    });
  }
  EXPECT_TRUE(runner.Run(steps));
}

TEST_F(LSoundPlayerTest, PlaysToTheEndAndReportsPositionsThenStop) {
  device->autoPlay = true;
  ASSERT_TRUE(player.Start(new TestSource(8000, 1, 2500, Constant(30000)), 0));
  EXPECT_EQ((std::vector<std::string>{"Play", "Position 0"}), log.heard);
  EXPECT_TRUE(runner.Run({[&] { return log.Has("Stop"); }}));
  EXPECT_FALSE(player.IsOpen());
  // The end of the source once more, then the stop.
  ASSERT_GE(log.heard.size(), 4u);
  EXPECT_EQ((std::vector<std::string>{"Position 312", "Stop"}),
            std::vector(log.heard.end() - 2, log.heard.end()));
  EXPECT_EQ(4, device->writes.load());  // 800, 800, 800 and 100 frames
}

TEST_F(LSoundPlayerTest, HeldPlayQueuesFortyTwoBuffersOrAllItHasBeforeSounding) {
  device->autoPlay = true;  // the fake would sound at once if it ran
  // One second of audio is ten buffers, far fewer than the 42 of a take-off.
  // The device notes what it had at the take-off itself: by the time the
  // loop looks, the worker may well have sounded more.
  std::vector<LoopRunner::Step> steps;
  for (const auto& [frames, writes] : {std::pair{8000, 10}, {80000, LSoundPlayer::kTakeOffBuffer}}) {
    steps.push_back([this, frames] {
      device->writes = 0, device->played = 0, device->restarts = 0;
      log.heard.clear();
      return player.Start(new TestSource(8000, 1, frames), LSoundPlayer::kStartHeld);
    });
    steps.push_back([this, writes] {
      if (device->restarts == 0) return false;
      EXPECT_EQ(std::tuple(writes, 0), std::tuple(device->writesAtRestart.load(), device->playedAtRestart.load()));
      EXPECT_EQ(0, player.State() & LSoundPlayer::kHeld);
      return true;
    });
    steps.push_back(PlayUntilStopped());
    steps.push_back([this, frames] { return log.Has("Position " + std::to_string(frames / 8)); });
  }
  EXPECT_TRUE(runner.Run(steps, 10000));
}

TEST_F(LSoundPlayerTest, StartedPausedWaitsForPlayAndFailedDeviceOrSourceRefusesTheStart) {
  ASSERT_TRUE(player.Start(new TestSource(8000, 1, 8000), LSoundPlayer::kStartPaused));
  EXPECT_EQ((std::vector<std::string>{"StartPaused", "Position 0"}), log.heard);
  EXPECT_NE(0, player.State() & LSoundPlayer::kPaused);
  player.Play();
  EXPECT_EQ(std::tuple(0, 1, "Play"),
            std::tuple(player.State() & LSoundPlayer::kPaused, device->restarts.load(), log.heard.back()));
  player.Stop();
  log.heard.clear();
  EXPECT_FALSE(player.Start(new TestSource(0, 1, 100), 0));  // rate 0: source in error
  device->failOpen = true;
  EXPECT_FALSE(player.Start(new TestSource(8000, 1, 100), 0));
  EXPECT_TRUE(!player.IsOpen() && log.heard.empty());
}

TEST_F(LSoundPlayerTest, StallBudgetIsNotChargedWhileAudioIsQueued) {
  auto* source = new StalledSource(800);  // 100 ms queued, none sounding: more than 50 ms
  LSoundSourceRef hold(source);
  ASSERT_TRUE(player.Start(hold, 0));
  EXPECT_TRUE(runner.Run({[&] {
                            // Far more uncharged slices than the budget holds.
                            if (source->Waits(25) <= 400) return false;
                            EXPECT_EQ(0, source->Waits(250));
                            EXPECT_TRUE(player.IsOpen());
                            device->autoPlay = true;
                            return true;
                          },
                          PlayUntilStopped()}));
  // Then 7.5 s in slices of 250 ms end the play.
  EXPECT_EQ(LSoundPlayer::kStallBudgetMs / 250, source->Waits(250));
}

TEST_F(LSoundPlayerTest, AGrowingSourceIsNotWaitedForWhile300MsAreQueued) {
  auto* source = new StalledSource(2400);
  LSoundSourceRef hold(source);
  ASSERT_TRUE(player.Start(hold, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(0, source->Waits(25) + source->Waits(250));
}

TEST_F(LSoundPlayerTest, PauseCuesALoopThatPlayBreaks) {
  ASSERT_TRUE(player.Start(new TestSource(8000, 1, 80000, Constant(16000)), 0));
  EXPECT_TRUE(runner.Run({[&] { return device->writes >= LSoundPlayer::kBuffers; }}));
  EXPECT_EQ((std::array<uint8_t, 512>{}), player.GetCueGraph(1000, 0));
  log.heard.clear();
  player.Pause();
  EXPECT_EQ((std::vector<std::string>{"Level", "Pause", "Position 0"}), log.heard);
  EXPECT_NE(0, player.State() & LSoundPlayer::kCueing);
  // 16000 is 1000 in 16 bits: (16000 >> 5)^2 = 250000 against 8388626 -> -15 dB.
  EXPECT_EQ(-15, log.lastLevels.level[0]);
  // The cue loop keeps sounding however often it passes.
  EXPECT_EQ(500, device->Play(500));
  const auto graph = player.GetCueGraph(1000, 0);
  EXPECT_EQ(std::tuple(graph[0], graph[511]), std::tuple(16000 / 2048, 16000 / 2048));
  player.Play();
  EXPECT_EQ(0, player.State() & LSoundPlayer::kCueing);
  // The loop ends; what follows is the finite rest of the source.
  EXPECT_LT(device->Play(500), 500);
}

TEST_F(LSoundPlayerTest, SeekRestartsTheBuffersAtTheNewPosition) {
  ASSERT_TRUE(player.Start(new TestSource(8000, 1, 16000), LSoundPlayer::kStartPaused));
  EXPECT_TRUE(runner.Run({[&] { return device->writes >= 20; },
                          [&] {
                            player.Seek(12000);
                            EXPECT_EQ(12000, player.Position());
                            EXPECT_EQ("Position 1500", log.heard.back());
                            player.Play();
                            return true;
                          },
                          PlayUntilStopped()}));
  EXPECT_TRUE(log.Has("Position 2000"));
  EXPECT_FALSE(log.Has("Position 100"));
}

}  // namespace
