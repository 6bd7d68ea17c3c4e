#include "core/LProcessListThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/FileIo.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using Paths = std::vector<std::string>;
constexpr std::size_t kRecord = LProcessListThread::kRecordSize;

class LProcessListThreadTest : public testing::Test {
 protected:
  // Records every path and returns `result`; blocks on `slow` until released,
  // deaf to the stop signal.
  LProcessListThread::Processor Recorder(int result = 0, const std::string& slow = {}) {
    return [this, result, slow, alive = alive_](const std::string& path) {
      std::unique_lock<std::mutex> guard(lock_);
      seen_.push_back(path);
      guard.unlock();
      if (path == slow) entered_.Set(), release_.Wait(30000);
      return result;
    };
  }
  Paths Seen() {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
  }
  // The whole records in the queue file, in order.
  Paths Queue() const {
    std::ifstream in(file_, std::ios::binary);
    Paths paths;
    for (std::string record(kRecord, '\0'); in.read(record.data(), kRecord);) paths.push_back(record.c_str());
    return paths;
  }
  bool Drained(const LProcessListThread& list) const {
    return WaitUntil([&] { return !std::filesystem::exists(file_) && !list.IsRunning(); });
  }

  TempDir dir_;
  const std::string file_ = dir_ / "agc.dat";
  LSignalObject entered_, release_;
  std::mutex lock_;
  Paths seen_;
  std::shared_ptr<int> alive_ = std::make_shared<int>();  // shared by every processor
};

constexpr int kStop = LProcessListThread::kStopWorker;

TEST_F(LProcessListThreadTest, TheListSurvivesARestartKeepsAStoppedItemAndDropsAPartialRecord) {
  auto first = std::make_unique<LProcessListThread>(Recorder(0, "b"));
  EXPECT_FALSE(first->Add("a"));  // no queue file yet
  first->SetListFilePath(file_);
  for (const char* path : {"a", "b", "Cc", "d", "e"}) ASSERT_TRUE(first->Add(path));
  EXPECT_FALSE(first->Add(std::string(kRecord, 'x')));  // a cut path would name another file
  ASSERT_TRUE(entered_.Wait(10000));
  // Stopped while "b" is processed: "b" completes, nothing after it starts.
  std::thread stopper([&] { first->StopThreadTimed(LThread::kStopTimeoutMs); });
  ASSERT_TRUE(WaitUntil([&] { return first->IsToStop() && first->IsRunning(); }));  // no hang
  release_.Set();
  stopper.join();
  first.reset();
  // A crash in the middle of an Add leaves part of a record at the end.
  std::ofstream(file_, std::ios::binary | std::ios::app) << std::string(100, 'z');

  // The next run is interrupted in "Cc" and keeps it at the head; its Add
  // drops the partial record, keeping records aligned.
  LProcessListThread second(Recorder(kStop));
  second.SetListFilePath(file_);
  ASSERT_TRUE(WaitUntil([&] { return Seen().size() == 3 && !second.IsRunning(); }));
  ASSERT_TRUE(second.Add(std::string(kRecord - 1, 'f')) && WaitUntil([&] { return Seen().size() == 4 && !second.IsRunning(); }));
  EXPECT_TRUE(Queue() == (Paths{"Cc", "d", "e", std::string(kRecord - 1, 'f')}) &&
              std::filesystem::file_size(file_) == 4 * kRecord);
  EXPECT_TRUE(second.InList("cC") && second.InList(std::string(kRecord - 1, 'F')));
  EXPECT_FALSE(second.InList("C") || second.InList("Cc.bak"));

  std::ofstream(file_, std::ios::binary | std::ios::app) << std::string(100, 'z');
  LProcessListThread third(Recorder());
  third.SetListFilePath(file_);
  ASSERT_TRUE(Drained(third));
  EXPECT_EQ(Seen(), (Paths{"a", "b", "Cc", "Cc", "Cc", "d", "e", std::string(kRecord - 1, 'f')}));
}

// Adds while the worker is busy are taken by that worker: nobody tries to
// start it a second time.
TEST_F(LProcessListThreadTest, RemoveTakesOutEveryRecordOfAPathTheOneUnderWayIncluded) {
  LProcessListThread list(Recorder(0, "a"));
  list.SetListFilePath(file_);
  ASSERT_TRUE(list.Add("a") && entered_.Wait(10000));
  testing::internal::CaptureStderr();
  for (const char* path : {"b", "B", "c", "b.wav"}) ASSERT_TRUE(list.Add(path));
  const std::string traced = testing::internal::GetCapturedStderr();
  EXPECT_EQ(traced.find("already running"), std::string::npos) << traced;
  list.Remove("b");
  EXPECT_EQ(Queue(), (Paths{"a", "c", "b.wav"}));
  // "a" finishes; its record is gone already, so "c" is not taken for it.
  list.Remove("A");
  release_.Set();
  ASSERT_TRUE(Drained(list));
  EXPECT_EQ(Seen(), (Paths{"a", "c", "b.wav"}));
}

TEST_F(LProcessListThreadTest, AddNeverWaitsAndADetachedWorkerFinishesItsItemAlone) {
  auto list = std::make_unique<LProcessListThread>(Recorder(0, "a"));
  list->SetListFilePath(file_);
  ASSERT_TRUE(list->Add("a") && entered_.Wait(10000));
  const auto start = std::chrono::steady_clock::now();
  // The head goes once it is done.
  // The worker holds "a" until released: an Add that waited for it would hang.
  EXPECT_TRUE(list->Add("b") && std::chrono::steady_clock::now() - start < 3s && Queue() == Paths({"a", "b"}));
  list->StopThreadTimed(50);
  // The new run waits for the detached one instead of taking "a" again.
  list->SetListFilePath(file_);
  std::this_thread::sleep_for(50ms);
  release_.Set();
  // No temporary file left.
  EXPECT_TRUE(Drained(*list) && Seen() == Paths({"a", "b"}) && std::filesystem::is_empty(dir_.Path()));

  // The next Add starts a worker again. Detached once more, then the object
  // goes: the body finishes "a" on its own state, removes it and sees its stop.
  release_.Reset(), entered_.Reset();
  ASSERT_TRUE(list->Add("a") && list->Add("c") && entered_.Wait(10000));
  list->StopThreadTimed(50);
  list.reset();
  release_.Set();
  ASSERT_TRUE(WaitUntil([&] { return alive_.use_count() == 1; }));  // processor dropped
  EXPECT_TRUE(Seen() == Paths({"a", "b", "a"}) && Queue() == Paths{"c"});
}

}  // namespace

namespace {

ssize_t FullDiskWrite(int, const void*, std::size_t) {
  errno = ENOSPC;
  return -1;
}

// A recording the list could not take on a full disk is queued once there
// is room, unless it was replaced meanwhile.
TEST_F(LProcessListThreadTest, APathTheListFileCouldNotTakeIsAddedOnceThereIsRoom) {
  LProcessListThread list(Recorder());
  list.SetListFilePath(file_);
  const WriteCall previous = ReplaceWriteCall(&FullDiskWrite);
  for (const char* path : {"/m/a.wav", "/m/b.wav", "/m/a.wav"}) EXPECT_FALSE(list.Add(path)) << path;
  list.Remove("/M/B.wav");
  EXPECT_EQ(list.AddUnwritten(), 0);  // still full
  ReplaceWriteCall(previous);
  EXPECT_EQ(list.AddUnwritten(), 1);
  EXPECT_TRUE(Drained(list));
  EXPECT_EQ(Seen(), Paths{"/m/a.wav"});
  EXPECT_EQ(list.AddUnwritten(), 0);
}

}  // namespace
