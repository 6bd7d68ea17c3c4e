#include "telephony/rtp/LRtpMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/TestSources.h"
#include "core/MainLoop.h"
#include "core/ManualClock.h"
#include "support/WaitUntil.h"
#include "telephony/dsp/DtmfSignals.h"
#include "telephony/SoundTestSupport.h"
#include "telephony/dsp/LToneGenerator.h"
#include "telephony/rtp/LRtpMediaThread.h"
#include "telephony/rtp/LRtpPacket.h"
#include "telephony/rtp/RtpG711.h"
#include "telephony/wave/LSoundPlayer.h"
#include "telephony/wave/LSoundRecorder.h"

namespace {

constexpr int kEventType = 101;
constexpr uint32_t kSlot = LRtpMedia::kPacketSamples;
const LWavePcmFormat kCallFormat{8000, 1};
constexpr double kToneAmplitude = 9000 * 16;  // 440 Hz at 9000 in 16 bits
constexpr double kToneHz = 440;

SipMediaDescription Description(int eventType) {
  SipMediaDescription description;
  description.payloadTypes = {0, 8};
  if (eventType >= 0) description.payloadTypes.push_back(eventType);
  description.audioPayloadType = 0;
  description.telephoneEventPayloadType = eventType;
  return description;
}

// One direction of the network: every packet is seen by `onPacket` and, if
// `drop` does not take it, handed to the far media. `hold` keeps a packet
// back until the next one has gone (reordering).
struct Wire {
  bool Send(std::span<const uint8_t> datagram) {
    LRtpPacket packet;
    EXPECT_TRUE(LRtpPacket::Parse(datagram, packet));
    if (onPacket) onPacket(packet);
    const uint64_t index = count++;
    if (!to || (drop && drop(index))) return true;
    if (hold && hold(index)) {
      held.assign(datagram.begin(), datagram.end());
      return true;
    }
    to->OnRtpPacket(datagram);
    if (!held.empty() && to) to->OnRtpPacket(held);
    held.clear();
    return true;
  }
  LRtpMedia* to = nullptr;
  std::function<void(const LRtpPacket&)> onPacket;
  std::function<bool(uint64_t)> drop, hold;
  std::vector<uint8_t> held;
  uint64_t count = 0;
};

// The root mean square of a packet's audio (0 for other payload types).
double Rms(const LRtpPacket& packet) {
  std::vector<int16_t> pcm(packet.payload.size());
  if (!RtpG711Decode(packet.payloadType, packet.payload, pcm.data()) || pcm.empty()) return 0;
  double sum = 0;
  for (int16_t x : pcm) sum += static_cast<double>(x) * x;
  return std::sqrt(sum / static_cast<double>(pcm.size()));
}

// Notes when the recorder's worker has started its device.
class StartWatch final : public LWaveInDevice {
 public:
  StartWatch(std::unique_ptr<LWaveInDevice> inner, std::atomic<bool>& started)
      : inner_(std::move(inner)), started_(started) {}
  bool AddBuffer(LWaveHeader& header) override { return inner_->AddBuffer(header); }
  void Start() override { inner_->Start(); started_ = true; }
  void Stop() override { inner_->Stop(); }
  void Reset() override { inner_->Reset(); }

 private:
  std::unique_ptr<LWaveInDevice> inner_;
  std::atomic<bool>& started_;
};

// Two calls' media back to back, A's packets going to B and B's to A, on a
// clock moved by hand; the slots are driven by calling Tick.
class RtpMedia : public ::testing::Test {
 protected:
  void Connect(int eventType) {
    a = std::make_unique<LRtpMedia>(loop, clock, nullptr, [this](auto p) { return toB.Send(p); }, Description(eventType));
    b = std::make_unique<LRtpMedia>(loop, clock, nullptr, [this](auto p) { return toA.Send(p); }, Description(eventType));
    toB.to = b.get();
    toA.to = a.get();
    keysAtA = keysAtB = "";
    tonesDoneAtA = 0;
    a->onKey = [this](char key) { keysAtA += key; };
    b->onKey = [this](char key) { keysAtB += key; };
    a->onTonesDone = [this] { ++tonesDoneAtA; };
    a->Start();
    b->Start();
    Tick();
  }
  void Tick() {
    if (a) a->Tick();
    if (b) b->Tick();
  }
  void Slots(int count) {
    for (int i = 0; i < count; ++i) {
      clock.Advance(LRtpMedia::kPacketMs);
      Tick();
    }
  }
  // The level of every packet A sends.
  void MeasureLevels() { toB.onPacket = [this](const LRtpPacket& packet) { levels.push_back(Rms(packet)); }; }

  LoopRunner runner;  // its loop takes the reports; the media run on the manual clock
  MainLoop& loop = runner.loop;
  ManualClock clock{0, 1000};
  Wire toB, toA;
  std::unique_ptr<LRtpMedia> a, b;
  std::string keysAtA, keysAtB;
  int tonesDoneAtA = 0;
  std::vector<double> levels;
};

// A device opened directly on a media; Queue(k) writes a slot of level 100 * k.
struct DirectOut {
  explicit DirectOut(const LRtpMedia& media) : device(media.OutOpener()(kCallFormat, done, false)) {}
  LWaveHeader& Queue(std::vector<int16_t> pcm, uint32_t flags = 0, uint32_t loops = 0) {
    buffers.push_back(std::move(pcm));
    headers.push_back(std::make_unique<LWaveHeader>());
    LWaveHeader& header = *headers.back();
    header.Prepare(buffers.back().data(), static_cast<uint32_t>(buffers.back().size() * 2));
    header.flags |= flags;
    header.loops = loops;
    EXPECT_TRUE(device->Write(header));
    return header;
  }
  void QueueLevels(int slots) {
    for (int k = 1; k <= slots; ++k) Queue(std::vector<int16_t>(kSlot, static_cast<int16_t>(100 * k)));
  }
  LSignalObject done;
  std::vector<std::vector<int16_t>> buffers;
  std::vector<std::unique_ptr<LWaveHeader>> headers;
  std::unique_ptr<LWaveOutDevice> device;  // last: it returns the buffers before they go
};

TEST_F(RtpMedia, APlayedToneReachesTheRecorderOfTheFarEnd) {
  Connect(kEventType);
  std::atomic<LWaveOutDevice*> queued{nullptr};
  std::atomic<bool> started{false};
  NotifyLog notes;
  LSoundPlayer player(loop, &notes, 7);
  player.SetDevice([&, opener = a->OutOpener()](const LWavePcmFormat& format, LSignalObject& done, bool mapped) {
    std::unique_ptr<LWaveOutDevice> device = opener(format, done, mapped);
    queued = device.get();
    return device;
  });
  LSoundRecorder recorder(loop, &notes, 7);
  recorder.SetDevice([&, opener = b->InOpener()](const LWavePcmFormat& format, LSignalObject& done, bool mapped) {
    std::unique_ptr<LWaveInDevice> device = opener(format, done, mapped);
    return device ? std::make_unique<StartWatch>(std::move(device), started) : nullptr;
  });
  auto* memory = new CollectSink(8000, 1);
  LSoundSinkRef keep(memory);
  ASSERT_TRUE(recorder.Start(keep, LSoundRecorder::kStartRecording, 0, -127, 0));
  ASSERT_TRUE(player.Start(new TestSource(8000, 1, 8000, Tone(kToneAmplitude, kToneHz, 8000)),
                           LSoundPlayer::kStartPaused));
  ASSERT_TRUE(WaitUntil([&] { return queued.load() && queued.load()->QueuedBytes() == 16000 && started; }));
  player.Play();
  Slots(100);
  ASSERT_TRUE(WaitUntil([&] { return recorder.Mark() >= 1900; }));
  recorder.Stop();
  player.Stop();

  std::vector<int16_t> heard;
  for (int32_t x : memory->samples) heard.push_back(ChainTo16(x));
  // The recording began a slot before the tone was sent, and hears it one
  // jitter-buffer depth (two packets) after it was sent.
  const auto delay =
      std::find_if(heard.begin(), heard.end(), [](int16_t x) { return std::abs(x) > 500; }) - heard.begin();
  EXPECT_GE(delay, 2 * kSlot);
  EXPECT_LE(delay, 4 * kSlot);
  const std::size_t start = static_cast<std::size_t>(delay) - 1;  // the first sample of a sine is 0
  ASSERT_GE(heard.size(), start + 8000 + kSlot + 1);
  // Mu-law keeps 4 bits of mantissa: the error stays within 1/32 of the value.
  for (int32_t i = 0; i < 8000; ++i) {
    const int expected = ChainTo16(static_cast<int32_t>(std::lround(SineAt(kToneAmplitude, kToneHz, 8000, i))));
    const int got = heard[start + static_cast<std::size_t>(i)];
    ASSERT_LE(std::abs(got - expected), std::abs(expected) / 32 + 8) << "sample " << i;
  }
  for (std::size_t i = start + 8000 + kSlot; i < heard.size(); ++i) ASSERT_LE(std::abs(heard[i]), 1) << i;
}

// Every key goes through as a telephone event, or as the generator's tone
// pair through G.711 to the far end's detector.
TEST_F(RtpMedia, KeysArriveOnceEachAsEventsOrAsTonesAndInBandOnlyWithoutEvents) {
  LToneGenerator generator;
  generator.QueueKeys("5");
  std::vector<int16_t> tone(1600, 0);
  generator.Mix(tone);
  for (const int eventType : {kEventType, -1}) {
    SCOPED_TRACE(eventType);
    int events = 0;
    toB.onPacket = [&](const LRtpPacket& packet) { events += packet.payloadType == kEventType; };
    Connect(eventType);
    ASSERT_TRUE(a->SendKeys(kAllKeys));
    EXPECT_FALSE(a->SendKeys("1x"));
    Slots(200);
    EXPECT_EQ(std::tuple(keysAtB, keysAtA, tonesDoneAtA, events > 0),
              std::tuple(kAllKeys, "", 1, eventType >= 0));
    // A key tone in the audio counts only where no telephone events were offered.
    DirectOut out(*a);
    out.Queue(tone);
    Slots(20);
    EXPECT_EQ(keysAtB, eventType >= 0 ? kAllKeys : kAllKeys + std::string("5"));
    out.device.reset();
    a.reset();
    b.reset();
  }
}

// Tones in the audio: keys after a re-INVITE without telephone events, and
// the beep (40 ms). A key handler may end the call.
TEST_F(RtpMedia, ReInvitedKeysAndTheBeepAreTonesAndAKeyHandlerMayEndTheCall) {
  Connect(kEventType);
  ASSERT_TRUE(a->SendKeys("4"));
  a->SetDescription(Description(-1));
  b->SetDescription(Description(-1));
  ASSERT_TRUE(a->SendKeys("7"));
  Slots(30);
  EXPECT_EQ(std::tuple(keysAtB, tonesDoneAtA), std::tuple("7", 1));
  a.reset(), b.reset();
  MeasureLevels();
  Connect(kEventType);
  ASSERT_TRUE(a->Beep());
  Slots(5);
  // Slot 0 went out at Connect.
  std::vector<bool> loud;
  for (double level : levels) loud.push_back(level > 5000);
  EXPECT_EQ(loud, (std::vector<bool>{false, true, true, false, false, false}));
  // The detector is off while telephone events are offered.
  EXPECT_EQ(std::tuple(keysAtB, tonesDoneAtA), std::tuple("", 1));
  b->onKey = [this](char key) { keysAtB += key, b.reset(), toB.to = nullptr; };
  ASSERT_TRUE(a->SendKeys("12"));
  Slots(50);
  EXPECT_EQ(keysAtB, "1");
}

TEST_F(RtpMedia, PacketsKeepTheirPaceOverAnHourAndAStallDropsTheAudioWhoseTimeHasPassed) {
  uint64_t packets = 0, gaps = 0, offTime = 0;
  uint16_t sequence = 0;
  uint32_t timestamp = 0;
  const uint64_t origin = clock.TickCount();
  toB.onPacket = [&](const LRtpPacket& packet) {
    if (packets != 0) gaps += packet.sequence != static_cast<uint16_t>(sequence + 1) || packet.timestamp != timestamp + kSlot;
    const uint64_t due = origin + packets++ * LRtpMedia::kPacketMs;
    offTime += clock.TickCount() < due || clock.TickCount() >= due + 40;
    sequence = packet.sequence;
    timestamp = packet.timestamp;
    levels.push_back(Rms(packet));
  };
  Connect(kEventType);
  b.reset();
  toB.to = nullptr;
  // An uneven wake-up pattern averaging one slot a step.
  for (uint64_t elapsed = 0; elapsed < 3600 * 1000;) {
    for (uint64_t step : {20, 20, 13, 27, 20, 5, 35, 20}) {
      clock.Advance(step);
      a->Tick();
      elapsed += step;
    }
  }
  EXPECT_EQ(std::tuple(packets, gaps, offTime), std::tuple(3600u * 50 + 1, 0u, 0u));

  // A stall of ten slots: 1 to 7 are skipped with their audio, 8 to 10 go out at once.
  DirectOut out(*a);
  out.QueueLevels(20);
  const auto before = std::pair(timestamp, sequence);
  levels.clear();
  clock.Advance(10 * LRtpMedia::kPacketMs);
  a->Tick();
  EXPECT_EQ(std::tuple(timestamp, sequence), std::tuple(before.first + 10 * kSlot, uint16_t(before.second + 3)));
  ASSERT_EQ(levels.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(levels[i], 800 + 100 * i, 50) << i;
  EXPECT_TRUE(out.headers[6]->IsDone() && !out.headers[10]->IsDone());
}

// Two calls on the media thread, in real time: it sends both calls' packets
// with nobody ticking, reports on the loop thread, and lets go at Stop.
TEST(RtpMediaThread, DrivesEveryCallReportsOnTheLoopAndLetsGoAtStop) {
  LoopRunner runner;
  LRtpMediaThread thread(runner.clock_);
  std::mutex lock;
  int sentByA = 0, eventsByA = 0, sentByB = 0;
  auto a = std::make_unique<LRtpMedia>(runner.loop, runner.clock_, &thread, [&](auto datagram) {
    LRtpPacket packet;
    std::lock_guard<std::mutex> guard(lock);
    ++sentByA;
    if (LRtpPacket::Parse(datagram, packet) && packet.payloadType == kEventType) ++eventsByA;
    return true;
  }, Description(kEventType));
  auto b = std::make_unique<LRtpMedia>(runner.loop, runner.clock_, &thread, [&](auto) {
    std::lock_guard<std::mutex> guard(lock);
    return ++sentByB > 0;
  }, Description(kEventType));
  bool reportedOnLoop = false;
  a->onTonesDone = [&] { reportedOnLoop = runner.loop.IsLoopThread(); };
  a->Start();
  b->Start();
  ASSERT_TRUE(a->SendKeys("1"));
  EXPECT_TRUE(runner.Run({[&] { return reportedOnLoop; }}));
  a->Stop();
  b->Stop();
  std::lock_guard<std::mutex> sent(lock);
  EXPECT_GT(eventsByA, 3);
  EXPECT_GT(sentByB, 3);
  const int afterStopA = sentByA, afterStopB = sentByB;
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * LRtpMedia::kPacketMs));
  EXPECT_EQ(sentByA, afterStopA);
  EXPECT_EQ(sentByB, afterStopB);
}

// A round that ends past the next slot's time (a slow send, a preempted
// thread) is followed at once: waiting for the slot after would make every
// call's next packet a whole slot late.
TEST(RtpMediaThread, ARoundThatRunsPastTheNextSlotIsFollowedAtOnce) {
  LoopRunner runner;
  ManualClock clock{0, 1000};
  LRtpMediaThread thread(clock);
  std::atomic<int> sent{0};
  auto media = std::make_unique<LRtpMedia>(runner.loop, clock, &thread, [&](auto) {
    if (++sent == 2) clock.Advance(LRtpMedia::kPacketMs + 1);  // slot 1's round ends after slot 2 fell due
    return true;
  }, Description(-1));
  media->Start();  // slot 0 goes at once
  clock.Advance(LRtpMedia::kPacketMs);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (sent < 3 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(sent, 3);
  media->Stop();
}

TEST_F(RtpMedia, LostPacketsAreSilenceAndReorderedOnesFindTheirPlace) {
  Connect(kEventType);
  toB.drop = [](uint64_t index) { return index % 10 == 5; };
  toB.hold = [](uint64_t index) { return index % 7 == 3; };
  DirectOut out(*a);
  std::vector<int16_t> heard(60 * kSlot, -1);
  LWaveHeader into;
  into.Prepare(heard.data(), static_cast<uint32_t>(heard.size() * 2));
  LSignalObject recorded;
  std::unique_ptr<LWaveInDevice> in = b->InOpener()(kCallFormat, recorded, false);
  ASSERT_TRUE(in && in->AddBuffer(into));
  in->Start();
  out.QueueLevels(60);
  Slots(60);
  EXPECT_TRUE(into.IsDone());
  in.reset();
  // Buffer slot p was filled at tick p + 1 with what A sent two ticks
  // before (the jitter buffer's depth): A's slot p - 1.
  for (int played = 1; played < 59; ++played) {
    const int16_t sample = heard[static_cast<std::size_t>(played + 1) * kSlot + 80];
    EXPECT_NEAR(sample, played % 10 == 5 ? 0 : 100 * played, 100 * played / 16 + 8) << played;
  }
}

TEST_F(RtpMedia, DevicesPauseLoopAndResetAsAWaveOutDoes) {
  MeasureLevels();
  Connect(kEventType);
  DirectOut out(*a);
  LWaveHeader& looped = out.Queue(std::vector<int16_t>(kSlot, 4000), LWaveHeader::kBeginLoop | LWaveHeader::kEndLoop, 3);
  LWaveHeader& after = out.Queue(std::vector<int16_t>(2 * kSlot, 2000));
  EXPECT_EQ(out.device->QueuedBytes(), 3 * kSlot * 2);
  Slots(2);
  out.device->Pause();
  Slots(2);
  EXPECT_FALSE(looped.IsDone());
  out.device->Restart();
  Slots(2);
  EXPECT_TRUE(looped.IsDone() && !after.IsDone());
  out.device->Reset();
  EXPECT_TRUE(after.IsDone() && out.device->QueuedBytes() == 0);
  Slots(1);
  const std::vector<double> expected = {0, 4000, 4000, 0, 0, 4000, 2000, 0};
  ASSERT_EQ(levels.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(levels[i], expected[i], 150) << i;
  LSignalObject done;
  EXPECT_FALSE(a->OutOpener()(LWavePcmFormat{16000, 1}, done, true) ||
               a->InOpener()(LWavePcmFormat{8000, 2}, done, false));
}

TEST_F(RtpMedia, AfterStopPlayedBuffersComeBackAndDevicesOutliveTheMedia) {
  Connect(kEventType);
  DirectOut out(*a);
  LWaveHeader& first = out.Queue(std::vector<int16_t>(800, 1000));
  Slots(1);
  EXPECT_FALSE(first.IsDone());
  a->Stop();
  EXPECT_TRUE(first.IsDone());
  LSignalObject done;
  EXPECT_FALSE(a->SendKeys("1") || a->Beep() || a->OutOpener()(kCallFormat, done, false) ||
               a->InOpener()(kCallFormat, done, false));
  a.reset();
  toA.to = nullptr;
  // The device is still open: a buffer written now comes back at once.
  EXPECT_TRUE(out.Queue(std::vector<int16_t>(800, 1000)).IsDone());
}

TEST_F(RtpMedia, StopWhilePlayingLetsThePlayerStop) {
  Connect(kEventType);
  NotifyLog notes;
  LSoundPlayer player(loop, &notes, 7);
  player.SetDevice(a->OutOpener());
  ASSERT_TRUE(player.Start(new TestSource(8000, 1, 160000, Tone(kToneAmplitude, kToneHz, 8000)), 0));
  Slots(10);
  a->Stop();
  EXPECT_TRUE(runner.Run({[&] { return notes.Has("Stop"); }}));
  EXPECT_FALSE(player.IsOpen());
}

}  // namespace
