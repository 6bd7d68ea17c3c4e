// Sample-rate conversion 8000 -> 44100 and 44100 -> 8000 by LSRCConvertRate
// against libspeexdsp (quality 3) and libsoxr (default quality): each makes
// one second of output from the same looping input (a mix of tones and
// noise) per iteration. Also the pump of a 60 s 8 kHz WAVE file through
// high-pass, compressor, gain and peak limiter into a new file, in times real
// time. Prints ours/reference for each conversion at the end.
#include <benchmark/benchmark.h>

#include <soxr.h>
#include <speex/speex_resampler.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "audio/LPRSourceToSink.h"
#include "audio/LProgressSilent.h"
#include "audio/LSPCompressor.h"
#include "audio/LSPGain.h"
#include "audio/LSPHighPass.h"
#include "audio/LSRCConvertRate.h"
#include "audio/LWaveFile.h"

namespace {

constexpr int32_t kBlockFrames = 8192;
constexpr int kPumpSeconds = 60;

// One second of 16-bit audio at `rate`: three tones and some noise, peaking
// about 6 dB below full scale.
std::vector<int16_t> TestSignal(int32_t rate) {
  std::vector<int16_t> samples(static_cast<size_t>(rate));
  uint32_t noise = 12345;
  for (int32_t i = 0; i < rate; ++i) {
    const double t = 2 * std::numbers::pi * i / rate;
    noise = noise * 1664525 + 1013904223;
    const double n = (static_cast<double>(noise >> 16) / 65536.0 - 0.5) * 1000;
    samples[i] = static_cast<int16_t>(
        std::lround(6000 * std::sin(300 * t) + 5000 * std::sin(1000 * t) + 3000 * std::sin(2500 * t) + n));
  }
  return samples;
}

// Plays one second of samples over and over, as a file decoder would deliver them.
class LoopSource final : public LSoundSourceBase {
 public:
  LoopSource(int32_t rate, const std::vector<int16_t>& samples) : LSoundSourceBase(rate, 1, kFullScale16) {
    for (int16_t v : samples) samples_.push_back(ChainFrom16(v));
  }
  void Read(int32_t* buffer, int32_t frames) override {
    for (int32_t i = 0; i < frames; ++i) {
      buffer[i] = samples_[next_];
      if (++next_ == samples_.size()) next_ = 0;
    }
    position_ += frames;
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return INT32_MAX; }

 private:
  std::vector<int32_t> samples_;
  size_t next_ = 0;
  int32_t position_ = 0;
};

void Ours(benchmark::State& state, int32_t from, int32_t to) {
  LSoundSourceRef converter = new LSRCConvertRate(new LoopSource(from, TestSignal(from)), to);
  std::vector<int32_t> out(kBlockFrames);
  for (auto _ : state) {
    for (int32_t done = 0; done < to; done += kBlockFrames) converter->Read(out.data(), std::min(kBlockFrames, to - done));
    benchmark::DoNotOptimize(out.data());
  }
}

// Feeds the looping input to `process(in, inFrames, &used, out, outFrames, &made)`
// until `to` frames came out.
template <class Process>
void MakeOneSecond(const std::vector<int16_t>& input, size_t& next, std::vector<int16_t>& out, int32_t to,
                   Process process) {
  int32_t made = 0;
  while (made < to) {
    const size_t inFrames = std::min<size_t>(kBlockFrames, input.size() - next);
    const size_t outFrames = std::min<size_t>(out.size(), static_cast<size_t>(to - made));
    size_t used = 0, produced = 0;
    process(&input[next], inFrames, &used, out.data(), outFrames, &produced);
    next = (next + used) % input.size();
    made += static_cast<int32_t>(produced);
  }
}

void Speex(benchmark::State& state, int32_t from, int32_t to) {
  int error = 0;
  SpeexResamplerState* resampler = speex_resampler_init(1, from, to, 3, &error);
  if (!resampler) return state.SkipWithError("speex_resampler_init failed");
  const std::vector<int16_t> input = TestSignal(from);
  std::vector<int16_t> out(kBlockFrames);
  size_t next = 0;
  auto process = [resampler](const int16_t* in, size_t inFrames, size_t* used, int16_t* o, size_t outFrames,
                             size_t* produced) {
    spx_uint32_t inLen = static_cast<spx_uint32_t>(inFrames), outLen = static_cast<spx_uint32_t>(outFrames);
    speex_resampler_process_int(resampler, 0, in, &inLen, o, &outLen);
    *used = inLen;
    *produced = outLen;
  };
  for (auto _ : state) {
    MakeOneSecond(input, next, out, to, process);
    benchmark::DoNotOptimize(out.data());
  }
  speex_resampler_destroy(resampler);
}

void Soxr(benchmark::State& state, int32_t from, int32_t to) {
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  soxr_error_t error = nullptr;
  soxr_t resampler = soxr_create(from, to, 1, &error, &io, nullptr, nullptr);
  if (error) return state.SkipWithError("soxr_create failed");
  const std::vector<int16_t> input = TestSignal(from);
  std::vector<int16_t> out(kBlockFrames);
  size_t next = 0;
  auto process = [resampler](const int16_t* in, size_t inFrames, size_t* used, int16_t* o, size_t outFrames,
                             size_t* produced) { soxr_process(resampler, in, inFrames, used, o, outFrames, produced); };
  for (auto _ : state) {
    MakeOneSecond(input, next, out, to, process);
    benchmark::DoNotOptimize(out.data());
  }
  soxr_delete(resampler);
}

// 60 s of the test signal in the line format (8000 Hz, 16-bit mono).
bool WriteLineFile(const std::string& path) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path, 8000, 0, 16, 1);
  if (!sink || sink->IsError()) return false;
  std::vector<int32_t> second;
  for (int16_t v : TestSignal(8000)) second.push_back(ChainFrom16(v));
  for (int i = 0; i < kPumpSeconds; ++i) sink->Write(second.data(), static_cast<int32_t>(second.size()));
  return true;
}

// The prompt processing of a line: 100 Hz high-pass, a 3:1 compressor from
// -20 dB with a 50 ms window, +6 dB, and the peak limiter the pump adds.
void Pump(benchmark::State& state, const std::string& in, const std::string& out) {
  if (!WriteLineFile(in)) return state.SkipWithError("cannot write the input file");
  LProgressSilent progress;
  for (auto _ : state) {
    LSoundSourceRef source = LWaveFile::OpenSource(in);
    source = LSPHighPass(100).OpenSource(source);
    source = LSPCompressor(-20, 0.9261187281287935, 50).OpenSource(source);
    source = LSPGain(6).OpenSource(source);
    LPRSourceToSink pump("Pump", source, LWaveFile::OpenSinkPCM(out, 8000, 0, 16, 1));
    if (pump.Process(progress) != kProcessDone) return state.SkipWithError("the pump failed");
  }
  if (LWaveFile::OpenSource(out)->GetEndSample() != kPumpSeconds * 8000) {
    return state.SkipWithError("the output is not 60 s long");
  }
  state.counters["x_real_time"] = benchmark::Counter(kPumpSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = MakeBenchFolder();
  if (folder.empty()) return 1;
  const std::string in = folder + "/line.wav";
  const std::string out = folder + "/processed.wav";
  for (auto [from, to] : {std::pair{8000, 44100}, std::pair{44100, 8000}}) {
    const std::string pair = from == 8000 ? "8k->44k" : "44k->8k";
    benchmark::RegisterBenchmark(("Ours " + pair).c_str(), Ours, from, to)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Speex " + pair).c_str(), Speex, from, to)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Soxr " + pair).c_str(), Soxr, from, to)->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("Pump 60s", Pump, in, out)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kCpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const std::string pair : {"8k->44k", "44k->8k"}) {
    for (const std::string reference : {"Speex", "Soxr"}) {
      reporter.PrintRatio("ConvertRate " + pair, "Ours " + pair, reference + " " + pair, reference);
    }
  }
  if (const double realTime = reporter.Counter("x_real_time"); realTime > 0) {
    std::printf("pump of %d s at 8000 Hz: %.0f times real time\n", kPumpSeconds, realTime);
  }
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
