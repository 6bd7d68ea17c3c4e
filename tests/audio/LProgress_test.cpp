#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "audio/LProgressConsole.h"
#include "audio/LProgressLog.h"
#include "core/LSignalObject.h"
#include "core/ManualClock.h"
#include "log/LogFile.h"
#include "support/TempDir.h"

namespace {

class CancelAfter : public LProgress {
 public:
  explicit CancelAfter(int calls) : left_(calls) {}
  void SetText(int, std::string_view) override {}
  void SetProgress(double) override {}
  bool IsCancelled() override { return --left_ < 0; }
  int Left() const { return left_; }

 private:
  int left_;
};

TEST(LProgress, CancellableSleepTestsBeforeAndAfterEverySlice) {
  CancelAfter never(1000);
  EXPECT_TRUE(never.CancellableSleep(LProgress::kSleepSliceMs + 20));
  EXPECT_EQ(never.Left(), 997) << "before, between the two slices, after";
  CancelAfter atOnce(0);
  EXPECT_FALSE(atOnce.CancellableSleep(60000)) << "returns without sleeping";
  CancelAfter afterFirstSlice(1);
  EXPECT_FALSE(afterFirstSlice.CancellableSleep(10));
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

  LProgressConsole plain(stdout, false);
  EXPECT_FALSE(plain.IsCancelled());
  plain.Cancel();
  EXPECT_TRUE(plain.IsCancelled());
}

TEST(LProgressLog, LogsTheTitleOnlyAndStopsOnTheWorkersSignal) {
  TempDir dir;
  ManualClock clock(1735689510, 5000);
  StatusDisplay display(clock);
  LogFile log(dir.Path(), clock, display);
  LSignalObject stop;
  LProgressLog progress(log, stop);
  progress.SetText(0, "Convert Wav File Format");
  progress.SetText(1, "Please wait...");
  progress.SetProgress(0.5);
  std::string shown = display.GetSnapshot().text;
  EXPECT_NE(shown.find("Convert Wav File Format"), std::string::npos);
  EXPECT_EQ(shown.find("Please wait"), std::string::npos);
  EXPECT_FALSE(progress.IsCancelled());
  stop.Set();
  EXPECT_TRUE(progress.IsCancelled());
}

}  // namespace
