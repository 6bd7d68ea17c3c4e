#include "telephony/wave/LSoundRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "telephony/SoundTestSupport.h"

namespace {

constexpr uint32_t kRecorderCookie = 7;
constexpr int kFrames = 800;  // one buffer at 8000 Hz
constexpr uint32_t kAllQueued = LSoundRecorder::kBuffers * kFrames * 2;

std::vector<int16_t> Block(int16_t value, int frames = kFrames) { return std::vector<int16_t>(frames, value); }
// Quiet but recognisable: 1, 2, ... 100 repeated (peak 1600 in chain units, -38 dB).
std::vector<int16_t> QuietRamp() {
  std::vector<int16_t> block(kFrames);
  for (int i = 0; i < kFrames; ++i) block[static_cast<std::size_t>(i)] = static_cast<int16_t>(i % 100 + 1);
  return block;
}
const std::vector<int16_t> kSilence = Block(0);
const std::vector<int16_t> kLoud = Block(8000);  // 0 dB against 131072
const std::vector<int16_t> kQuiet = Block(100);  // -38 dB

class LSoundRecorderTest : public ::testing::Test {
 protected:
  LSoundRecorderTest() { recorder.SetDevice(FakeInOpener(device)); }
  ~LSoundRecorderTest() override { recorder.Stop(); }

  bool Start(uint32_t hangOverMs, int8_t threshold, uint32_t maxMs, uint32_t flags = 0) {
    return recorder.Start(sink, flags, hangOverMs, threshold, maxMs);
  }
  // Feeds the blocks in order, then waits until the recorder has handled
  // them all (it queues a buffer again once done with it) or has stopped.
  LoopRunner::Step Feed(std::vector<std::vector<int16_t>> blocks) {
    auto next = std::make_shared<std::size_t>(0);
    return [this, blocks, next] {
      while (*next < blocks.size() && device->Feed(blocks[*next])) ++*next;
      if (recorder.GetState() == LSoundRecorder::kStopped) return true;
      return *next == blocks.size() && device->QueuedBytes() == kAllQueued;
    };
  }
  LoopRunner::Step Heard(const std::string& text) { return [this, text] { return log.Has(text); }; }
  std::size_t SinkFrames() const { return memory->samples.size(); }

  LoopRunner runner;
  NotifyLog log;
  std::shared_ptr<FakeDeviceState> device = std::make_shared<FakeDeviceState>();
  CollectSink* memory = new CollectSink(8000, 1);
  LSoundSinkRef sink{memory};
  LSoundRecorder recorder{runner.loop, &log, kRecorderCookie};
};

TEST_F(LSoundRecorderTest, WaitingWritesNothingUntilVoiceThenKeepsTheLeadIn) {
  ASSERT_TRUE(Start(2000, -20, 0));
  EXPECT_EQ(LSoundRecorder::kWaiting, recorder.GetState());
  EXPECT_TRUE(runner.Run({Feed({kSilence, kSilence, QuietRamp()}), [&] { return SinkFrames() == 0; },
                          Feed({kLoud}), Heard("Record")}));
  EXPECT_EQ(LSoundRecorder::kRecording, recorder.GetState());
  // The second half of the quiet block (50 ms), then the loud block.
  ASSERT_EQ(400u + kFrames, SinkFrames());
  EXPECT_EQ((400 % 100 + 1) * 16, memory->samples[0]);
  EXPECT_EQ(8000 * 16, memory->samples[400]);
  EXPECT_EQ(150u, recorder.Mark());
}

TEST_F(LSoundRecorderTest, OnsetInTheSecondHalfNeedsNoLeadIn) {
  std::vector<int16_t> late = kQuiet;
  std::fill(late.begin() + 600, late.end(), int16_t{8000});
  ASSERT_TRUE(Start(2000, -20, 0));
  EXPECT_TRUE(runner.Run({Feed({kQuiet, late}), Heard("Record")}));
  EXPECT_EQ(static_cast<std::size_t>(kFrames), SinkFrames());
}

TEST_F(LSoundRecorderTest, LowestThresholdRecordsFromTheFirstBlockAndNeverWaits) {
  ASSERT_TRUE(Start(0, -127, 0));
  EXPECT_TRUE(runner.Run({Feed({kSilence, kSilence, kSilence, kSilence, kSilence}), Heard("Record")}));
  EXPECT_EQ(std::tuple(SinkFrames(), recorder.GetState(), recorder.ReleaseLevel(), log.Has("Wait")),
            std::tuple(5u * kFrames, LSoundRecorder::kRecording, -127, false));
}

TEST_F(LSoundRecorderTest, StopKeepsFiftyMillisecondsAfterTheLastLoudBlock) {
  ASSERT_TRUE(Start(1000, -20, 0));
  EXPECT_TRUE(runner.Run({Feed({kLoud, kLoud, kLoud, kQuiet, kQuiet, kQuiet})}));
  EXPECT_EQ(std::tuple(600u * 8, 300u), std::tuple(SinkFrames(), recorder.Mark()));
  recorder.Stop();
  EXPECT_EQ(std::tuple(log.heard.back(), recorder.GetState(), SinkFrames()),
            std::tuple("Stop", LSoundRecorder::kStopped, 350u * 8));
}

TEST_F(LSoundRecorderTest, QuietPastTheHangOverGoesBackToWaiting) {
  ASSERT_TRUE(Start(400, -20, 0));
  EXPECT_TRUE(runner.Run({Feed({kLoud, kLoud, kQuiet, kQuiet, kQuiet, kQuiet, kQuiet}), Heard("Wait")}));
  EXPECT_EQ(LSoundRecorder::kWaiting, recorder.GetState());
  // Cut to 450 ms after the last loud block at 200 ms.
  EXPECT_EQ((std::vector<int32_t>{650 * 8}), memory->truncations);
  recorder.Stop();
  EXPECT_EQ(250u * 8, SinkFrames());
}

TEST_F(LSoundRecorderTest, MaximumTimeStopsTheRecorderByItself) {
  ASSERT_TRUE(Start(0, -127, 250));
  EXPECT_TRUE(runner.Run({Feed({kLoud, kLoud, kLoud}), Heard("Stop")}));
  EXPECT_EQ(std::tuple(recorder.GetState(), SinkFrames()), std::tuple(LSoundRecorder::kStopped, 300u * 8));
}

// A sink on a disk that is full after `room` frames.
class FillingSink final : public LSoundSinkBase {
 public:
  explicit FillingSink(int32_t room) : LSoundSinkBase(8000, 1), room_(room) {}
  void Write(const int32_t*, int32_t frames) override {
    if (Position() + frames > room_) SetError(ENOSPC);
    Advance(frames);
  }

 private:
  const int32_t room_;
};

TEST_F(LSoundRecorderTest, ASinkThatCannotWriteStopsTheRecorderAtOnce) {
  sink = LSoundSinkRef{new FillingSink(2 * kFrames)};
  ASSERT_TRUE(Start(0, -127, 0));
  EXPECT_TRUE(runner.Run({Feed({kLoud, kLoud, kLoud, kLoud, kLoud}), Heard("Stop")}));
  EXPECT_EQ(recorder.GetState(), LSoundRecorder::kStopped);
}

TEST_F(LSoundRecorderTest, HeldStartRecordsOnlyAfterGo) {
  ASSERT_TRUE(Start(0, -127, 0, LSoundRecorder::kStartHeld | LSoundRecorder::kStartRecording));
  EXPECT_EQ(LSoundRecorder::kRecording, recorder.GetState());
  EXPECT_FALSE(device->Feed(kLoud));
  recorder.Go();
  EXPECT_TRUE(runner.Run({Feed({kLoud})}));
  EXPECT_EQ(static_cast<std::size_t>(kFrames), SinkFrames());
}

TEST_F(LSoundRecorderTest, StopWritesWhatTheDeviceStillHeld) {
  ASSERT_TRUE(Start(0, -127, 0, LSoundRecorder::kStartRecording));
  // Half a buffer recorded when the device is reset.
  EXPECT_TRUE(runner.Run({Feed({kLoud}), [&] { return device->Feed(Block(8000, 400)); }}));
  recorder.Stop();
  EXPECT_EQ(static_cast<std::size_t>(kFrames + 400), SinkFrames());
}

TEST_F(LSoundRecorderTest, ResumeInWaitingKeepsWhatWasRecorded) {
  ASSERT_TRUE(Start(5000, -20, 0));
  EXPECT_TRUE(runner.Run({Feed({kLoud, kLoud}), [&] { return recorder.StartPausedResume(); }}));
  EXPECT_EQ((std::vector<std::string>{"Wait", "Time 200"}), std::vector(log.heard.end() - 2, log.heard.end()));
  EXPECT_EQ(LSoundRecorder::kWaiting, recorder.GetState());
  recorder.Stop();
  EXPECT_EQ(1600u, SinkFrames());
}

TEST_F(LSoundRecorderTest, MissingSinkOrDeviceFailsTheStart) {
  EXPECT_FALSE(recorder.Start(LSoundSinkRef(), 0, 0, -20, 0));
  EXPECT_FALSE(recorder.Start(new CollectSink(8000, 0), 0, 0, -20, 0));  // 0 channels: error
  device->failOpen = true;
  EXPECT_FALSE(Start(0, -20, 0));
  EXPECT_TRUE(recorder.GetState() == LSoundRecorder::kStopped && log.heard.empty());
}

}  // namespace
