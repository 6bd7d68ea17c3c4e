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
    EXPECT_EQ(run.result, kProcessDone) << length;
    ASSERT_EQ(run.sink->Position(), length);
    ASSERT_EQ(run.sink->samples.size(), 2u * length);
    for (int32_t i = 0; i < 2 * length; ++i) {
      ASSERT_EQ(run.sink->samples[i], RampSample(i / 2, i % 2)) << length << " " << i;
    }
    EXPECT_TRUE(progress.title == "Title" && progress.step == "Please wait...");
    const std::vector<double>& done = progress.fractions;
    EXPECT_TRUE(!done.empty() && done.front() == 0 && done.back() <= 1.0 &&
                std::is_sorted(done.begin(), done.end()));
  }
}

TEST(LPRSourceToSink, SourceOrSinkInErrorFailsWithoutWriting) {
  struct Case {
    const char* what;
    LSoundSourceRef source;
    LRef<CollectSink> sink;
  };
  for (const Case& c :
       {Case{"source in error", new TestSource(0, 1, 100), new CollectSink(8000, 1)},
        Case{"sink in error", new TestSource(8000, 1, 100), new CollectSink(8000, 0)},
        Case{"three channels into one", new TestSource(8000, 3, 100), new CollectSink(8000, 1)}}) {
    RecordingProgress progress;
    EXPECT_EQ(LPRSourceToSink("t", c.source, c.sink).Process(progress), kProcessFailed) << c.what;
    EXPECT_EQ(c.sink->Position(), 0) << c.what;
  }
  RecordingProgress progress;
  LPRSourceToSink noSink("t", new TestSource(8000, 1, 100), LSoundSinkRef());
  EXPECT_EQ(noSink.Process(progress), kProcessFailed);
  EXPECT_FALSE(noSink.Run(progress));
}

TEST(LPRSourceToSink, CancelIsTestedBeforeEveryBlock) {
  RecordingProgress atThird(3);
  const PumpRun run = Pump(new TestSource(8000, 1, 10 * kBlock), 1, atThird);
  EXPECT_EQ(run.result, kProcessCancelled);
  EXPECT_EQ(run.sink->Position(), 2 * kBlock);

  RecordingProgress atOnce(1);
  LPRSourceToSink pump("t", new TestSource(8000, 1, 0), new CollectSink(8000, 1));
  EXPECT_FALSE(pump.Run(atOnce)) << "even an empty source is cancelled before its first read";
}

TEST(LPRSourceToSink, AGrowingSourceIsPumpedToItsFinalEnd) {
  LRef<TestSource> source = new TestSource(8000, 1, 1000);
  source->Grow(kBlock + 500, 5 * kBlock + 7);
  RecordingProgress progress;
  const PumpRun run = Pump(source, 1, progress);
  EXPECT_EQ(run.result, kProcessDone);
  ASSERT_EQ(run.sink->Position(), 5 * kBlock + 7);
  EXPECT_EQ(run.sink->samples.back(), RampSample(5 * kBlock + 6, 0));
}

TEST(LPRSourceToSink, FitsChannelsRateAndLevelToTheSink) {
  // Loud enough that the pump must insert its limiter.
  RecordingProgress progress;
  const PumpRun run = Pump(
      new TestSource(16000, 2, 16000, Constant(3 * kFullScale16), 4 * kFullScale16), 1, progress);
  EXPECT_EQ(run.result, kProcessDone);
  EXPECT_NEAR(run.sink->Position(), 8000, 80) << "one second at the sink's rate";
  EXPECT_EQ(run.sink->samples.size(), static_cast<size_t>(run.sink->Position()));
  for (int32_t sample : run.sink->samples) ASSERT_LE(std::abs(sample), kFullScale16);
}

TEST(LProgressConsole, InterruptBecomesACancelRequestAndIsNotDeliveredLater) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    LProgressConsole progress(out, true);
    EXPECT_FALSE(progress.IsCancelled());
    std::raise(SIGINT);  // held back on this thread
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(progress.IsCancelled());
    std::raise(SIGINT);  // after the last test: taken when the progress goes
  }
  sigset_t pending;
  sigpending(&pending);
  EXPECT_EQ(sigismember(&pending, SIGINT), 0);
  EXPECT_EQ(std::ftell(out), 0) << "nothing is drawn on a file";
  std::fclose(out);
}

}  // namespace
