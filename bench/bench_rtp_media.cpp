// The CPU of the call media at 64 calls. Each call plays a tone on its
// wave-out device and records on its wave-in device; its packets come back
// to it (so every packet is sent and received, with the jitter buffer and
// the recording in the path). One iteration is one 20 ms slot of all calls
// on a clock moved by hand, with and without the in-band DTMF detector
// (peers that offer telephone events, and peers that do not). Compared
// with a naive reference that only encodes the same audio with RtpG711.
// Prints ours/reference and each call's share of one core.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <span>
#include <vector>

#include "BenchReporter.h"
#include "core/MainLoop.h"
#include "core/ManualClock.h"
#include "telephony/rtp/LRtpMedia.h"
#include "telephony/rtp/RtpG711.h"

namespace {

constexpr int kCalls = 64;
constexpr std::size_t kSlot = LRtpMedia::kPacketSamples;
constexpr std::size_t kBufferSamples = 800;  // 100 ms, as the player and recorder use
constexpr std::size_t kBuffers = 4;
const LWavePcmFormat kCallFormat{8000, 1};

std::vector<int16_t> Tone() {
  std::vector<int16_t> pcm(kBufferSamples);
  for (std::size_t n = 0; n < pcm.size(); ++n) {
    pcm[n] =
        static_cast<int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 400 * n / 8000.0)));
  }
  return pcm;
}

SipMediaDescription Description(int eventType) {
  SipMediaDescription description;
  description.audioPayloadType = SipMediaDescription::kPcmu;
  description.telephoneEventPayloadType = eventType;
  return description;
}

// Buffers on a device, queued again whenever it gives them back.
struct Buffers {
  explicit Buffers(const std::vector<int16_t>& pcm) {
    for (std::size_t i = 0; i < kBuffers; ++i) {
      data[i] = pcm;
      headers[i].Prepare(data[i].data(), static_cast<uint32_t>(kBufferSamples * 2));
    }
  }
  std::array<std::vector<int16_t>, kBuffers> data;
  std::array<LWaveHeader, kBuffers> headers;
};

class BenchCall {
 public:
  BenchCall(MainLoop& loop, const LClock& clock, int eventType, const std::vector<int16_t>& tone)
      : media_(
            loop, clock, nullptr, [this](std::span<const uint8_t> packet) { return Loop(packet); },
            Description(eventType)),
        played_(tone),
        recorded_(std::vector<int16_t>(kBufferSamples)),
        out_(media_.OutOpener()(kCallFormat, outDone_, false)),
        in_(media_.InOpener()(kCallFormat, inDone_, false)) {
    in_->Start();
    media_.Start();
  }
  ~BenchCall() {
    out_.reset();
    in_.reset();
  }

  void Slot() {
    for (LWaveHeader& header : played_.headers) {
      if (header.IsDone()) out_->Write(header);
    }
    for (LWaveHeader& header : recorded_.headers) {
      if (header.IsDone()) in_->AddBuffer(header);
    }
    media_.Tick();
    media_.OnRtpPacket(sent_);
  }

 private:
  // Received once the slot is over: the media is not re-entered while it sends.
  bool Loop(std::span<const uint8_t> packet) {
    sent_.assign(packet.begin(), packet.end());
    return true;
  }

  LSignalObject outDone_;
  LSignalObject inDone_;
  LRtpMedia media_;
  std::vector<uint8_t> sent_;
  Buffers played_;
  Buffers recorded_;
  std::unique_ptr<LWaveOutDevice> out_;
  std::unique_ptr<LWaveInDevice> in_;
};

void RunCalls(benchmark::State& state, int eventType) {
  ManualClock clock(0, 1000);
  MainLoop loop(clock);
  const std::vector<int16_t> tone = Tone();
  std::vector<std::unique_ptr<BenchCall>> calls;
  for (int i = 0; i < kCalls; ++i)
    calls.push_back(std::make_unique<BenchCall>(loop, clock, eventType, tone));
  for (auto _ : state) {
    clock.Advance(LRtpMedia::kPacketMs);
    for (auto& call : calls) call->Slot();
  }
  // Calls one core carries: the audio time of all calls over the CPU time.
  state.counters[eventType >= 0 ? "calls_per_core" : "calls_per_core_in_band"] = benchmark::Counter(
      kCalls * LRtpMedia::kPacketMs / 1000.0, benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state) { RunCalls(state, 101); }
void OursInBand(benchmark::State& state) { RunCalls(state, -1); }

// Encoding the same 20 ms of every call, nothing else.
void EncodeOnly(benchmark::State& state) {
  const std::vector<int16_t> tone = Tone();
  std::array<uint8_t, kSlot> encoded{};
  std::size_t at = 0;
  for (auto _ : state) {
    for (int i = 0; i < kCalls; ++i) {
      RtpG711Encode(kRtpPayloadPcmu, std::span<const int16_t>(tone).subspan(at, kSlot),
                    encoded.data());
      benchmark::DoNotOptimize(encoded);
    }
    at = (at + kSlot) % kBufferSamples;
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("Ours", Ours)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("OursInBand", OursInBand)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("EncodeOnly", EncodeOnly)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kCpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("64 calls, 20 ms", "Ours", "EncodeOnly", "encode");
  reporter.PrintRatio("64 calls in-band DTMF", "OursInBand", "EncodeOnly", "encode");
  for (const char* name : {"calls_per_core", "calls_per_core_in_band"}) {
    if (const double calls = reporter.Counter(name); calls > 0) {
      std::printf("%-22s %.0f calls per core, %.3f %% of a core per call\n", name, calls,
                  100 / calls);
    }
  }
  benchmark::Shutdown();
  return 0;
}
