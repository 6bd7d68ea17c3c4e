#include "audio/LPRSourceToSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "TestSources.h"
#include "audio/LProgressConsole.h"

namespace {

constexpr int32_t kBlock = LPRSourceToSink::kBlockFrames;

struct PumpRun {
  ProcessResult result;
  LRef<CollectSink> sink;
};

// Pumps `source` into a fresh 8000 Hz sink with `channels`.
PumpRun Pump(LSoundSourceRef source, int channels, LProgress& progress) {
  LRef<CollectSink> sink = new CollectSink(8000, channels);
  return {LPRSourceToSink("Title", std::move(source), sink).Process(progress), sink};
}

TEST(LPRSourceToSink, WritesExactlyTheSourceLengthWhateverItsBlockAlignment) {
  for (int32_t length : {0, 1, 100, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock}) {
    RecordingProgress progress;
    const PumpRun run = Pump(new TestSource(8000, 2, length), 2, progress);
    TestSource ramp(8000, 2, length);
    EXPECT_TRUE(run.result == kProcessDone && run.sink->Position() == length) << length;
    EXPECT_EQ(run.sink->samples, ReadFrames(ramp, length)) << length;
    const std::vector<double>& done = progress.fractions;
    EXPECT_TRUE(progress.title == "Title" && progress.step == "Please wait..." && !done.empty() &&
                done.front() == 0 && done.back() <= 1.0 && std::is_sorted(done.begin(), done.end()));
  }
}

TEST(LPRSourceToSink, SourceOrSinkInErrorFailsWithoutWriting) {
  RecordingProgress progress;
  for (auto [rate, channels, sinkChannels] : {std::tuple{0, 1, 1}, {8000, 1, 0}, {8000, 3, 1}}) {
    LRef<CollectSink> sink = new CollectSink(8000, sinkChannels);
    EXPECT_EQ(LPRSourceToSink("t", new TestSource(rate, channels, 100), sink).Process(progress), kProcessFailed);
    EXPECT_EQ(sink->Position(), 0) << rate << " " << channels << " into " << sinkChannels;
  }
  LPRSourceToSink noSink("t", new TestSource(8000, 1, 100), LSoundSinkRef());
  EXPECT_FALSE(noSink.Process(progress) != kProcessFailed || noSink.Run(progress));
}

TEST(LPRSourceToSink, CancelIsTestedBeforeEveryBlock) {
  RecordingProgress atThird(3);
  const PumpRun run = Pump(new TestSource(8000, 1, 10 * kBlock), 1, atThird);
  EXPECT_TRUE(run.result == kProcessCancelled && run.sink->Position() == 2 * kBlock);

  RecordingProgress atOnce(1);
  LPRSourceToSink pump("t", new TestSource(8000, 1, 0), new CollectSink(8000, 1));
  EXPECT_FALSE(pump.Run(atOnce)) << "even an empty source is cancelled before its first read";
}

TEST(LPRSourceToSink, AGrowingSourceIsPumpedToItsFinalEnd) {
  LRef<TestSource> source = new TestSource(8000, 1, 1000);
  source->Grow(kBlock + 500, 5 * kBlock + 7);
  RecordingProgress progress;
  const PumpRun run = Pump(source, 1, progress);
  ASSERT_TRUE(run.result == kProcessDone && run.sink->Position() == 5 * kBlock + 7);
  EXPECT_EQ(run.sink->samples.back(), RampSample(5 * kBlock + 6, 0));
}

TEST(LPRSourceToSink, FitsChannelsRateAndLevelToTheSink) {
  // Loud enough that the pump must insert its limiter.
  RecordingProgress progress;
  const PumpRun run = Pump(new TestSource(16000, 2, 16000, Constant(3 * kFullScale16), 4 * kFullScale16), 1, progress);
  EXPECT_EQ(run.result, kProcessDone);
  EXPECT_NEAR(run.sink->Position(), 8000, 80) << "one second at the sink's rate";
  EXPECT_EQ(run.sink->samples.size(), static_cast<size_t>(run.sink->Position()));
  EXPECT_LE(PeakOf(run.sink->samples), kFullScale16);
}

TEST(LProgressConsole, InterruptBecomesACancelRequestAndIsNotDeliveredLater) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    LProgressConsole progress(out, true);
    EXPECT_FALSE(progress.IsCancelled());
    std::raise(SIGINT);  // held back on this thread
    EXPECT_TRUE(progress.IsCancelled() && progress.IsCancelled());
    std::raise(SIGINT);  // after the last test: taken when the progress goes
  }
  sigset_t pending;
  sigpending(&pending);
  EXPECT_TRUE(sigismember(&pending, SIGINT) == 0 && std::ftell(out) == 0) << "nothing is drawn on a file";
  std::fclose(out);
}

}  // namespace
