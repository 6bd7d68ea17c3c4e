#include "telephony/wave/LWaveDevices.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "audio/LWaveFile.h"
#include "audio/TestSources.h"
#include "support/TempDir.h"
#include "telephony/wave/LSoundPlayer.h"
#include "telephony/wave/LSoundRecorder.h"
#include "telephony/SoundTestSupport.h"

namespace {

constexpr double kFast = 10;  // audio time runs ten times faster than real time
const LWavePcmFormat kLine{8000, 1};

// A mono 8000 Hz 16-bit file whose frame f holds f + 1.
void WriteRamp(const std::string& path, int32_t frames) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path, 8000, 0, 16, 1);
  std::vector<int32_t> samples;
  for (int32_t f = 0; f < frames; ++f) samples.push_back((f + 1) * 16);
  sink->Write(samples.data(), frames);
}

// From `at` on, `samples` hold the ramp's frames from `first` to its end at
// `end`, then silence only.
void ExpectRampThenSilence(const std::vector<int32_t>& samples, std::size_t at, int32_t first, int32_t end) {
  ASSERT_LE(at + static_cast<std::size_t>(end - first), samples.size());
  for (std::size_t i = at; i < samples.size(); ++i) {
    const int32_t frame = first + static_cast<int32_t>(i - at);
    ASSERT_EQ(frame < end ? (frame + 1) * 16 : 0, samples[i]) << i;
  }
}

TEST(LWaveDevicesTest, FileOutputHoldsWhatPlayedWhereItSoundedWithSilenceAround) {
  TempDir dir;
  WriteRamp(dir / "in.wav", 2400);
  auto timeline = std::make_shared<LWaveTimeline>(kFast);
  auto tape = std::make_shared<LWaveOutFileTape>(dir / "out.wav", kLine, timeline);
  LoopRunner runner;
  NotifyLog log;
  LSoundPlayer player(runner.loop, &log, 7);
  player.SetDevice(LWaveDevices::OutOpener({LWaveDeviceSpec::Kind::kFile, -1, {}, tape, {}, {}}));
  ASSERT_TRUE(player.Start(LWaveFile::OpenSource(dir / "in.wav"), 0));
  EXPECT_TRUE(runner.Run({[&] { return log.Has("Stop"); }}));
  const int64_t finished = timeline->FrameNow(8000);
  tape->Finish();

  LSoundSourceRef file = LWaveFile::OpenSource(dir / "out.wav");
  const std::vector<int32_t> out = ReadFrames(*file, file->GetEndSample());
  ASSERT_GE(static_cast<int64_t>(out.size()), finished);
  std::size_t start = 0;
  while (start < out.size() && out[start] == 0) ++start;
  ExpectRampThenSilence(out, start, 0, 2400);
}

TEST(LWaveDevicesTest, FileInputIsHeardFromTheTimelineThenSilence) {
  TempDir dir;
  WriteRamp(dir / "caller.wav", 4000);  // 500 ms
  // In real time: the device has the file's whole half second to join it,
  // however late a busy machine starts the recorder's threads.
  auto timeline = std::make_shared<LWaveTimeline>(1);
  LoopRunner runner;
  NotifyLog log;
  LSoundRecorder recorder(runner.loop, &log, 7);
  recorder.SetDevice(
      LWaveDevices::InOpener({LWaveDeviceSpec::Kind::kFile, -1, timeline, nullptr, dir / "caller.wav", {}}));
  auto* memory = new CollectSink(8000, 1);
  LSoundSinkRef sink(memory);
  ASSERT_TRUE(recorder.Start(sink, LSoundRecorder::kStartRecording, 0, -127, 0));
  // 800 ms of audio time: the file and then silence.
  EXPECT_TRUE(runner.Run({[&] { return timeline->FrameNow(8000) > 6400; }}));
  recorder.Stop();
  // Recording began a little after the timeline: wherever it joined the
  // file, the rest of the file follows frame by frame, then silence.
  const int32_t joined = memory->samples.empty() ? -1 : memory->samples[0] / 16 - 1;
  ASSERT_TRUE(joined >= 0 && joined < 4000) << joined;
  ASSERT_GE(memory->samples.size(), static_cast<std::size_t>(4000 - joined + 400));
  ExpectRampThenSilence(memory->samples, 0, joined, 4000);
}

// A null device sounds in timeline time; paused, it holds its buffers until
// a reset returns them, and a reset while it sounds takes effect at once.
TEST(LWaveDevicesTest, NullOutputSoundsInTimelineTimeHoldsBuffersWhilePausedAndResetsAtOnce) {
  LSignalObject done;
  auto timeline = std::make_shared<LWaveTimeline>(kFast);
  auto device = LWaveDevices::OutOpener({LWaveDeviceSpec::Kind::kNull, -1, timeline, {}, {}, {}})(kLine, done, false);
  ASSERT_TRUE(device);
  std::vector<int16_t> pcm(4000, 100);  // 500 ms: 50 ms of real time
  LWaveHeader header;
  header.Prepare(pcm.data(), 8000);
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(device->Write(header));
  EXPECT_FALSE(device->Write(header));  // already queued
  EXPECT_EQ(8000u, device->QueuedBytes());
  while (!header.IsDone()) done.Wait(1000);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(45));
  EXPECT_TRUE(device->QueuedBytes() == 0 && header.Unprepare());
  // Without a timeline it would sound at once.
  device = LWaveDevices::OutOpener({LWaveDeviceSpec::Kind::kNull, -1, nullptr, {}, {}, {}})(kLine, done, false);
  header.Prepare(pcm.data(), 1600);
  device->Pause();
  ASSERT_TRUE(device->Write(header));
  EXPECT_FALSE(header.Unprepare());  // still held
  device->Reset();
  EXPECT_TRUE(header.IsDone() && header.Unprepare());
  // Even from a thread of low priority (the player's), the queued audio
  // does not play out first.
  device = LWaveDevices::OutOpener({LWaveDeviceSpec::Kind::kNull, -1, std::make_shared<LWaveTimeline>(1), {}, {}, {}})(
      kLine, done, false);
  std::vector<LWaveHeader> queued(8);  // 4 s in real time
  for (int round = 0; round < 5; ++round) {
    for (LWaveHeader& each : queued) {
      each.Prepare(pcm.data(), 8000);
      ASSERT_TRUE(device->Write(each));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto reset = std::chrono::steady_clock::now();
    std::thread([&] {
      ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
      device->Reset();
    }).join();
    EXPECT_LT(std::chrono::steady_clock::now() - reset, std::chrono::milliseconds(500)) << round;
    for (LWaveHeader& each : queued) EXPECT_TRUE(each.IsDone() && each.Unprepare());
  }
}

TEST(LWaveDevicesTest, MissingSoundCardsAndFilesAndFormatsAFileCannotCarryFailCleanly) {
  TempDir dir;
  LSignalObject done;
  const int missing = static_cast<int>(LWaveDevices::OutputNames().size()) + 1000;
  using K = LWaveDeviceSpec::Kind;
  EXPECT_FALSE(LWaveDevices::OutOpener({K::kAlsa, missing, {}, {}, {}, {}})(kLine, done, false));
  EXPECT_FALSE(LWaveDevices::InOpener({K::kAlsa, missing, {}, {}, {}, {}})(kLine, done, true));
  auto tape = std::make_shared<LWaveOutFileTape>(dir / "out.wav", kLine, std::make_shared<LWaveTimeline>());
  EXPECT_FALSE(LWaveDevices::OutOpener({K::kFile, -1, {}, tape, {}, {}})(LWavePcmFormat{44100, 2}, done, true));
  EXPECT_FALSE(LWaveDevices::InOpener({K::kFile, -1, {}, {}, dir / "missing.wav", {}})(kLine, done, false));
}

TEST(LWaveQueueTest, OutputSoundedLaterCompletesInOrder) {
  LSignalObject done;
  LWaveQueue queue(LWaveQueue::Direction::kOut, done, true);
  std::vector<int16_t> pcm(8, 0);
  LWaveHeader first, second;
  for (LWaveHeader* header : {&first, &second}) {
    header->Prepare(pcm.data(), 8);
    queue.Add(*header);
  }
  for (int i = 0; i < 2; ++i) queue.Release(queue.Acquire(UINT32_MAX, 0).size, false);
  EXPECT_EQ(16u, queue.QueuedBytes());
  queue.Complete(12);  // the device has played 12 of the 16 bytes
  EXPECT_TRUE(first.IsDone() && !second.IsDone());
  queue.ReturnAll();
  EXPECT_TRUE(second.IsDone());
  EXPECT_EQ(0u, queue.QueuedBytes());
}

}  // namespace
