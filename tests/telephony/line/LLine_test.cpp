#include "telephony/line/LLine.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/LSRCNull.h"
#include "core/ManualClock.h"
#include "telephony/line/RecordingNotify.h"
#include "telephony/SoundTestSupport.h"

namespace {

constexpr int kFrames = 800;  // one recorder buffer at 8000 Hz
const std::vector<int16_t> kSilence(kFrames, 0);
const std::vector<int16_t> kLoud(kFrames, 8000);

// A line whose call operations only note themselves; its audio runs on fake
// devices and its silence timing on a manual clock.
class TestLine final : public LLine {
 public:
  TestLine(MainLoop &loop, const LClock &clock, bool simulated) : LLine(loop, clock, simulated) {}
  using LLine::LineSettings;
  using LLine::SetSettings;
  void Dial(const std::string &) override {}
  void TransferBlind(const std::string &) override {}
  void Drop() override { ++drops; }
  void Beep() override {}
  void FaxHandoff() override {}
  bool MakeCall(const std::string &) override { return false; }
  void Connect(std::shared_ptr<FakeDeviceState> out, std::shared_ptr<FakeDeviceState> in) {
    SetCallDevices(FakeOutOpener(std::move(out)), FakeInOpener(std::move(in)));
    SetEndOfCallReported(false);
    StartCall();
  }
  int drops = 0;
};

// A tone source of `ms` at 8000 Hz.
class ToneSource final : public LSoundSourceBase {
 public:
  explicit ToneSource(int32_t ms) : LSoundSourceBase(8000, 1, kFullScale16), end_(ms * 8) {}
  void Read(int32_t *buffer, int32_t frames) override {
    for (int32_t i = 0; i < frames; ++i) {
      buffer[i] = position_ + i < end_ ? ((position_ + i) % 16 < 8 ? 100000 : -100000) : 0;
    }
    position_ += frames;
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return end_; }
  void Seek(int32_t frame) override { position_ = std::clamp(frame, 0, end_); }

 private:
  int32_t end_;
  int32_t position_ = 0;
};

class LineAudio : public ::testing::Test {
 protected:
  explicit LineAudio(bool simulated = false) : line(runner.loop, clock, simulated) {
    line.SetDefaultHandler(&handler);
    line.Connect(out, in);
    handler.Take();
  }
  ~LineAudio() override { line.Stop(); }

  // Feeds blocks, moving the line's clock 100 ms per block.
  LoopRunner::Step Feed(std::vector<std::vector<int16_t>> blocks) {
    auto next = std::make_shared<std::size_t>(0);
    return [this, blocks, next] {
      if (*next < blocks.size() && in->Feed(blocks[*next])) {
        ++*next;
        clock.Advance(100);
      }
      return *next == blocks.size();
    };
  }
  LoopRunner::Step Heard(const std::string &text) {
    return [this, text] {
      return std::find(handler.heard.begin(), handler.heard.end(), text) != handler.heard.end();
    };
  }
  static std::vector<std::vector<int16_t>> Blocks(const std::vector<int16_t> &block, int n) {
    return std::vector<std::vector<int16_t>>(static_cast<std::size_t>(n), block);
  }

  LoopRunner runner;
  ManualClock clock{0, 100000};
  std::shared_ptr<FakeDeviceState> out = std::make_shared<FakeDeviceState>();
  std::shared_ptr<FakeDeviceState> in = std::make_shared<FakeDeviceState>();
  RecordingNotify handler;
  TestLine line;
};

TEST(LineSilenceSplit, HangOverAndLimitAddUpToTheSilenceWithAFloor) {
  for (auto [silence, hangOver, limit] : {std::tuple{2250, 1850, 400}, {10000, 6000, 4000},
                                          {300, 400, 400}, {6400, 6000, 400}}) {
    const LLine::SilenceSplit split = LLine::SilenceSplit::For(silence);
    EXPECT_EQ(split.hangOverMs, hangOver) << silence;
    EXPECT_EQ(split.limitMs, limit) << silence;
  }
}

TEST_F(LineAudio, ASilentCallerStopsAfterTheGraceAndTheLimit) {
  MemorySink *memory = new MemorySink(8000, 1);
  LSoundSinkRef keep(memory);
  line.Record(keep, 2250, -22, 0);
  // 5.4 s of silence: the grace and the line's limit; the recorder's own
  // hang-over has long run out because nothing was ever loud.
  ASSERT_TRUE(runner.Run({Feed(Blocks(kSilence, 55)), Heard("RecordComplete")}));
  EXPECT_GE(clock.TickCount(), 100000u + 5400u);
  EXPECT_TRUE(memory->samples.empty());
}

TEST_F(LineAudio, AKeyWhileTheCallerSpeaksCutsTheKeyTone) {
  MemorySink *memory = new MemorySink(8000, 1);
  LSoundSinkRef keep(memory);
  line.Record(keep, 5000, -22, 0);
  ASSERT_TRUE(runner.Run({Feed(Blocks(kLoud, 20)), [&] { return memory->Position() >= 16000; }}));
  line.Stop();  // as the controller does on a key press
  EXPECT_EQ(memory->Position(), 16000 - 350 * 8);
  EXPECT_TRUE(handler.heard.empty() ||
              std::find(handler.heard.begin(), handler.heard.end(), "RecordComplete") ==
                  handler.heard.end());
}

// Appending: the sink already holds 10 s; every cut counts from the file's
// start, with the end-of-call tone detector wrapped around the sink or not.
class LineAppend : public LineAudio, public ::testing::WithParamInterface<bool> {};

TEST_P(LineAppend, RecordingsAreCutAfterTheOldAudio) {
  LLine::Settings settings = line.LineSettings();
  settings.eocDetectSoftware = GetParam();
  line.SetSettings(settings);
  MemorySink *memory = new MemorySink(8000, 1);
  LSoundSinkRef keep(memory);
  const std::vector<int32_t> old(80000, 7);
  memory->Write(old.data(), 80000);
  line.Record(keep, 5000, -22, 0);
  ASSERT_TRUE(runner.Run({Feed(Blocks(kLoud, 20)), [&] { return memory->Position() >= 96000; }}));
  line.Stop();
  EXPECT_EQ(memory->Position(), 96000 - 350 * 8);
  EXPECT_EQ(memory->samples[79999], 7);
}

INSTANTIATE_TEST_SUITE_P(ToneDetector, LineAppend, ::testing::Bool());

TEST_F(LineAudio, WaitsCompleteAtOnceOrOnlyAtTheirMaximum) {
  line.Wait(0, 0, 0);
  EXPECT_EQ(handler.Take(), std::vector<std::string>{"WaitComplete"});
  line.Wait(0, 0, 1000000);  // no silence stop: 20 s of silence change nothing
  ASSERT_TRUE(runner.Run({Feed(Blocks(kSilence, 200))}, 10000));
  EXPECT_TRUE(handler.heard.empty());
}

TEST_F(LineAudio, FailedStartsCompleteOrDropAtOnce) {
  out->failOpen = true;
  in->failOpen = true;
  line.Play(new ToneSource(1000));
  EXPECT_EQ(handler.Take(), std::vector<std::string>{"PlayComplete"});
  line.Play(new LSRCNull);
  EXPECT_EQ(handler.Take(), std::vector<std::string>{"PlayComplete"});
  line.Record(new MemorySink(8000, 1), 5000, -22, 0);
  line.Wait(5000, -22, 5000);
  EXPECT_EQ(line.drops, 2);
}

TEST_F(LineAudio, PlaysCompleteUnlessStoppedAndSeeksStayInside) {
  line.Play(new ToneSource(300));  // shorter than a take-off: it still sounds
  ASSERT_TRUE(runner.Run({[&] {
    out->Play(LSoundPlayer::kBuffers);
    return !handler.heard.empty() && handler.heard.back() == "PlayComplete";
  }}));
  handler.Take();
  line.Play(new ToneSource(10000));
  line.Seek(60000);  // lands 1.5 s before the end
  line.Seek(-2000);
  line.Seek(-60000);  // lands at the start
  EXPECT_EQ(handler.Take(), (std::vector<std::string>{"PlayPosition 0", "PlayPosition 8500",
                                                      "PlayPosition 6500", "PlayPosition 0"}));
  line.Stop();  // a stopped play never completes
  ASSERT_TRUE(runner.Run({[] { return true; }}));
  EXPECT_EQ(std::count(handler.heard.begin(), handler.heard.end(), "PlayComplete"), 0);
}

}  // namespace
