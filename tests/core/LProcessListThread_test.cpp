#include "core/LProcessListThread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Paths = std::vector<std::string>;
constexpr std::size_t kRecord = LProcessListThread::kRecordSize;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

bool WaitUntil(const std::function<bool()>& done) {
  for (auto end = Clock::now() + 3s; Clock::now() < end; std::this_thread::sleep_for(2ms)) {
    if (done()) return true;
  }
  return done();
}

std::string Record(const std::string& path) {
  std::string record = path;
  record.resize(kRecord, '\0');
  return record;
}

void WriteRaw(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// The whole records in the queue file, in order.
Paths Queue(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  Paths paths;
  std::string record(kRecord, '\0');
  while (in.read(record.data(), static_cast<std::streamsize>(kRecord))) paths.push_back(record.c_str());
  return paths;
}

// Everything the processors saw, shared with the worker threads.
struct Seen {
  Paths Get() {
    std::lock_guard<std::mutex> guard(lock);
    return paths;
  }
  void Add(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock);
    paths.push_back(path);
  }
  std::mutex lock;
  Paths paths;
};

// Records every path; `hook` decides the result (0 when absent).
LProcessListThread::Processor Recorder(std::shared_ptr<Seen> seen,
                                       std::function<int(const std::string&)> hook = {}) {
  return [seen, hook](const std::string& path) {
    seen->Add(path);
    return hook ? hook(path) : 0;
  };
}

class LProcessListThreadTest : public testing::Test {
 protected:
  TempDir dir;
  std::string file = dir / "agc.dat";
  std::shared_ptr<Seen> seen = std::make_shared<Seen>();
};

TEST_F(LProcessListThreadTest, ProcessesInOrderAndDeletesTheEmptyQueue) {
  LProcessListThread list(Recorder(seen));
  list.SetListFilePath(file);
  ASSERT_TRUE(list.Add("/m/a.wav"));
  ASSERT_TRUE(list.Add("/m/b.wav"));
  ASSERT_TRUE(list.Add("/m/c.wav"));
  ASSERT_TRUE(WaitUntil([&] { return seen->Get().size() == 3 && !list.IsRunning(); }));
  EXPECT_EQ(seen->Get(), (Paths{"/m/a.wav", "/m/b.wav", "/m/c.wav"}));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(list.QueuedCount(), 0u);
  EXPECT_EQ(list.ProcessedCount(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));  // no temporary file left

  // A worker that ran dry is started again by the next Add.
  ASSERT_TRUE(list.Add("/m/d.wav"));
  ASSERT_TRUE(WaitUntil([&] { return seen->Get().size() == 4 && !list.IsRunning(); }));
  EXPECT_EQ(seen->Get().back(), "/m/d.wav");
}

TEST_F(LProcessListThreadTest, AddNeverWaitsForALongItem) {
  LSignalObject release;
  LProcessListThread list(Recorder(seen, [&](const std::string&) {
    release.Wait(3000);
    return 0;
  }));
  list.SetListFilePath(file);  // nothing queued yet
  auto start = Clock::now();
  ASSERT_TRUE(list.Add("a"));  // the first worker may take it at once
  ASSERT_TRUE(WaitUntil([&] { return !seen->Get().empty(); }));
  ASSERT_TRUE(list.Add("b"));
  EXPECT_TRUE(list.InList("B"));
  EXPECT_LT(ElapsedMs(start), 1000);
  release.Set();
  ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::exists(file) && !list.IsRunning(); }));
  EXPECT_EQ(seen->Get(), (Paths{"a", "b"}));
}

TEST_F(LProcessListThreadTest, AStoppingProcessorKeepsTheItemAndInListIgnoresCase) {
  LProcessListThread list(Recorder(seen, [](const std::string&) { return 1; }));
  EXPECT_FALSE(list.InList("/m/a.wav"));  // no queue file yet
  EXPECT_FALSE(list.Add("/m/a.wav"));
  list.SetListFilePath(file);
  ASSERT_TRUE(list.Add("/Data/MailBoxes/Msg1.WAV"));
  ASSERT_TRUE(list.Add("/data/x.wav"));
  ASSERT_TRUE(WaitUntil([&] { return !seen->Get().empty() && !list.IsRunning(); }));
  for (const std::string& path : seen->Get()) EXPECT_EQ(path, "/Data/MailBoxes/Msg1.WAV");
  EXPECT_EQ(Queue(file), (Paths{"/Data/MailBoxes/Msg1.WAV", "/data/x.wav"}));
  EXPECT_EQ(list.QueuedCount(), 2u);
  EXPECT_EQ(list.ProcessedCount(), 0u);

  EXPECT_TRUE(list.InList("/data/mailboxes/msg1.wav"));
  EXPECT_TRUE(list.InList("/DATA/X.WAV"));
  EXPECT_FALSE(list.InList("/data/mailboxes/msg2.wav"));
  EXPECT_FALSE(list.InList("/data/mailboxes/msg1.wav.bak"));
}

TEST_F(LProcessListThreadTest, TheListSurvivesARestart) {
  LSignalObject entered;
  LSignalObject release;
  auto first = std::make_unique<LProcessListThread>(Recorder(seen, [&](const std::string& path) {
    if (path == "b") {
      entered.Set();
      release.Wait(3000);
    }
    return 0;
  }));
  first->SetListFilePath(file);
  for (const char* path : {"a", "b", "c", "d", "e"}) ASSERT_TRUE(first->Add(path));
  ASSERT_TRUE(entered.Wait(3000));
  // Stopped while "b" is processed: "b" completes, nothing after it starts.
  std::thread stopper([&] { first->StopThreadTimed(LThread::kStopTimeoutMs); });
  auto asked = Clock::now();  // the owner stays responsive while it waits
  ASSERT_TRUE(WaitUntil([&] { return first->IsToStop() && first->IsRunning(); }));
  EXPECT_LT(ElapsedMs(asked), 1000);
  release.Set();
  stopper.join();
  first.reset();
  EXPECT_EQ(Queue(file), (Paths{"c", "d", "e"}));

  // The next run is interrupted in "c" and keeps it at the head.
  LProcessListThread second(Recorder(seen, [](const std::string&) { return 1; }));
  second.SetListFilePath(file);
  ASSERT_TRUE(WaitUntil([&] { return seen->Get().size() == 3 && !second.IsRunning(); }));
  EXPECT_EQ(Queue(file), (Paths{"c", "d", "e"}));

  LProcessListThread third(Recorder(seen));
  third.SetListFilePath(file);
  ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::exists(file) && !third.IsRunning(); }));
  EXPECT_EQ(seen->Get(), (Paths{"a", "b", "c", "c", "d", "e"}));
}

TEST_F(LProcessListThreadTest, ATrailingPartialRecordIsNeverProcessed) {
  WriteRaw(file, Record("a") + Record("b") + std::string(100, 'z'));
  LProcessListThread list(Recorder(seen));
  list.SetListFilePath(file);
  ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::exists(file) && !list.IsRunning(); }));
  EXPECT_EQ(seen->Get(), (Paths{"a", "b"}));

  // An append after a partial record drops it, keeping records aligned.
  std::atomic<bool> hold{true};
  LProcessListThread held(Recorder(seen, [&](const std::string&) { return hold ? 1 : 0; }));
  WriteRaw(file, Record("c") + std::string(100, 'z'));
  held.SetListFilePath(file);
  ASSERT_TRUE(held.Add("d"));
  ASSERT_TRUE(WaitUntil([&] { return !held.IsRunning(); }));
  EXPECT_EQ(std::filesystem::file_size(file), 2 * kRecord);
  EXPECT_EQ(Queue(file), (Paths{"c", "d"}));
}

TEST_F(LProcessListThreadTest, OverlongPathsAreRefused) {
  LProcessListThread list(Recorder(seen, [](const std::string&) { return 1; }));
  list.SetListFilePath(file);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(list.Add(std::string(kRecord, 'x')));
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(list.Add(std::string(kRecord - 1, 'x')));
  EXPECT_EQ(Queue(file), (Paths{std::string(kRecord - 1, 'x')}));
}

TEST_F(LProcessListThreadTest, AddWaitsForAnotherHolderOfTheFileLock) {
  WriteRaw(file, Record("a"));
  LProcessListThread list(Recorder(seen, [](const std::string&) { return 1; }));
  list.SetListFilePath(file);
  ASSERT_TRUE(WaitUntil([&] { return !seen->Get().empty() && !list.IsRunning(); }));

  int fd = ::open(file.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // as another process adding would
  std::atomic<bool> added{false};
  std::thread adder([&] { added = list.Add("b"); });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(added);
  ::close(fd);
  adder.join();
  EXPECT_TRUE(added);
  EXPECT_EQ(Queue(file), (Paths{"a", "b"}));
}

TEST_F(LProcessListThreadTest, ADetachedWorkerFinishesItsItemAlone) {
  LSignalObject entered;
  LSignalObject release;
  auto slowA = [&](const std::string& path) {
    if (path == "a") {
      entered.Set();
      release.Wait(3000);  // deaf to the stop signal
    }
    return 0;
  };
  LProcessListThread list(Recorder(seen, slowA));
  list.SetListFilePath(file);
  ASSERT_TRUE(list.Add("a"));
  ASSERT_TRUE(list.Add("b"));
  ASSERT_TRUE(entered.Wait(3000));
  testing::internal::CaptureStderr();
  list.StopThreadTimed(50);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("LThread::StopThreadTimed TimeOut ERROR"),
            std::string::npos);
  // The new run waits for the detached one instead of taking "a" again.
  list.SetListFilePath(file);
  std::this_thread::sleep_for(50ms);
  release.Set();
  ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::exists(file) && !list.IsRunning(); }));
  EXPECT_EQ(seen->Get(), (Paths{"a", "b"}));
}

// Raises a flag when the last share of it goes, i.e. when a worker has
// dropped the processor holding it.
class FlagOnRelease {
 public:
  explicit FlagOnRelease(std::atomic<bool>& flag) : flag_(flag) {}
  ~FlagOnRelease() { flag_ = true; }

 private:
  std::atomic<bool>& flag_;
};

TEST_F(LProcessListThreadTest, ADetachedWorkerOutlivesItsObjectSafely) {
  LSignalObject entered;
  LSignalObject release;
  std::atomic<bool> released{false};
  auto flag = std::make_shared<FlagOnRelease>(released);
  auto list = std::make_unique<LProcessListThread>(
      Recorder(seen, [&entered, &release, flag](const std::string&) {
        entered.Set();
        release.Wait(3000);
        return 0;
      }));
  flag.reset();
  list->SetListFilePath(file);
  ASSERT_TRUE(list->Add("a"));
  ASSERT_TRUE(list->Add("b"));
  ASSERT_TRUE(entered.Wait(3000));
  testing::internal::CaptureStderr();
  list->StopThreadTimed(50);
  testing::internal::GetCapturedStderr();
  list.reset();
  release.Set();
  // The detached body finishes "a" on its own state, then sees its stop.
  ASSERT_TRUE(WaitUntil([&] { return released.load(); }));
  EXPECT_EQ(seen->Get(), (Paths{"a"}));
  EXPECT_EQ(Queue(file), (Paths{"b"}));
}

}  // namespace
