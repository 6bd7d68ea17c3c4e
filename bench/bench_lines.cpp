// Lines in one process, in real time on paced null and file devices:
// - the CPU each simulated line costs while 64 of them play or record,
//   against sox converting the same audio (per second of audio);
// - the delay from asking a line to play until its first buffer reaches the
//   device, against opening the file and reading a buffer directly.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "audio/LWaveFile.h"
#include "core/MainLoop.h"
#include "core/SystemClock.h"
#include "telephony/line/LCallSimulator.h"
#include "telephony/line/LLineNotify.h"
#include "telephony/wave/LWaveDevices.h"

namespace {

using Steady = std::chrono::steady_clock;
using TimeStamp = std::shared_ptr<std::atomic<int64_t>>;

constexpr int kLines = 64;
constexpr int kSettleMs = 1000;
constexpr int kMeasureMs = 5000;
constexpr int kLatencyPlays = 20;
constexpr double kPromptSeconds = 30;

double Seconds(const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

int64_t Now() { return Steady::now().time_since_epoch().count(); }

// A handler that takes every call and lets it run.
class QuietHandler final : public LLineNotify {
 public:
  void lnntfStart() override {}
  void lnntfPlayComplete() override {}
  void lnntfRecordComplete() override {}
};

// A paced null device that notes when the first buffer reached it.
class TimedDevice final : public LWaveOutDevice {
 public:
  TimedDevice(std::unique_ptr<LWaveOutDevice> inner, TimeStamp first)
      : inner_(std::move(inner)), first_(std::move(first)) {}
  bool Write(LWaveHeader &header) override {
    int64_t none = 0;
    first_->compare_exchange_strong(none, Now());
    return inner_->Write(header);
  }
  void Pause() override { inner_->Pause(); }
  void Restart() override { inner_->Restart(); }
  void Reset() override { inner_->Reset(); }
  void BreakLoop() override { inner_->BreakLoop(); }
  uint32_t QueuedBytes() const override { return inner_->QueuedBytes(); }

 private:
  std::unique_ptr<LWaveOutDevice> inner_;
  TimeStamp first_;
};

LWaveOutOpener NullOut() {
  LWaveDeviceSpec spec;
  spec.kind = LWaveDeviceSpec::Kind::kNull;
  return LWaveDevices::OutOpener(spec);
}

LWaveOutOpener TimedOut(TimeStamp first) {
  LWaveOutOpener null = NullOut();
  return [null, first](const LWavePcmFormat &format, LSignalObject &done,
                       bool mapped) -> std::unique_ptr<LWaveOutDevice> {
    std::unique_ptr<LWaveOutDevice> inner = null(format, done, mapped);
    if (!inner) return nullptr;
    return std::make_unique<TimedDevice>(std::move(inner), first);
  };
}

LWaveInOpener FileIn(const std::string &path) {
  LWaveDeviceSpec spec;
  spec.kind = LWaveDeviceSpec::Kind::kFile;
  spec.inputPath = path;
  return LWaveDevices::InOpener(spec);
}

// Drives both measurements on one run of the loop.
class Bench final : public LTimerHandler {
 public:
  Bench(MainLoop &loop, const LClock &clock, std::string folder)
      : loop_(loop), clock_(clock), folder_(std::move(folder)), prompt_(folder_ + "/prompt.wav") {}
  ~Bench() override { loop_.KillTimers(this); }

  void Start() {
    for (int i = 0; i < kLines; ++i) StartLine(i);
    loop_.SetTimer(this, kSettled, kSettleMs);
  }
  void OnTimer(int id) override {
    if (id == kSettled) {
      cpu0_ = CpuSeconds(RUSAGE_SELF);
      wall0_ = Now();
      loop_.SetTimer(this, kMeasured, kMeasureMs);
    } else if (id == kMeasured) {
      const double wall =
          static_cast<double>(Now() - wall0_) * Steady::period::num / Steady::period::den;
      cpuPerLinePercent = (CpuSeconds(RUSAGE_SELF) - cpu0_) / wall / kLines * 100;
      for (auto &line : lines_) line->HangUp();
      lines_.clear();
      latencyLine_ = std::make_unique<LCallSimulator>(loop_, clock_, TimedOut(first_),
                                                      FileIn(prompt_));
      latencyLine_->SetDefaultHandler(&handler_);
      latencyLine_->ConnectCall();
      PlayForLatency();
    } else if (first_->load() == 0) {
      loop_.SetTimer(this, kPoll, 1);
    } else {
      delaysMs.push_back(static_cast<double>(first_->load() - asked_) * 1e3 *
                         Steady::period::num / Steady::period::den);
      if (delaysMs.size() < kLatencyPlays) {
        PlayForLatency();
      } else {
        latencyLine_->HangUp();
        loop_.Stop();
      }
    }
  }

  double cpuPerLinePercent = 0;
  std::vector<double> delaysMs;

 private:
  enum { kSettled, kMeasured, kPoll };

  // Even lines play the prompt, odd ones record the caller from it.
  void StartLine(int i) {
    auto line = std::make_unique<LCallSimulator>(loop_, clock_, NullOut(), FileIn(prompt_));
    line->SetDefaultHandler(&handler_);
    line->ConnectCall();
    if (i % 2 == 0) {
      line->Play(LWaveFile::OpenSource(prompt_));
    } else {
      const std::string file = folder_ + "/rec" + std::to_string(i) + ".wav";
      line->Record(LWaveFile::OpenSinkPCM(file, 8000, 0, 16, 1), 0, -127, 0);
    }
    lines_.push_back(std::move(line));
  }
  void PlayForLatency() {
    latencyLine_->Stop();
    first_->store(0);
    asked_ = Now();
    latencyLine_->Play(LWaveFile::OpenSource(prompt_));
    loop_.SetTimer(this, kPoll, 1);
  }

  MainLoop &loop_;
  const LClock &clock_;
  const std::string folder_;
  const std::string prompt_;
  QuietHandler handler_;
  std::vector<std::unique_ptr<LCallSimulator>> lines_;
  std::unique_ptr<LCallSimulator> latencyLine_;
  TimeStamp first_ = std::make_shared<std::atomic<int64_t>>(0);
  int64_t asked_ = 0;
  double cpu0_ = 0;
  int64_t wall0_ = 0;
};

// Opening the prompt and reading one 100 ms buffer, the least a play must do.
double DirectReadMs(const std::string &prompt) {
  std::vector<int32_t> buffer(800);
  const int64_t start = Now();
  for (int i = 0; i < kLatencyPlays; ++i) LWaveFile::OpenSource(prompt)->Read(buffer.data(), 800);
  return static_cast<double>(Now() - start) * 1e3 * Steady::period::num / Steady::period::den /
         kLatencyPlays;
}

}  // namespace

int main() {
  const std::string folder = MakeBenchFolder();
  if (folder.empty()) return 1;
  const std::string prompt = folder + "/prompt.wav";
  const std::string make = "sox -n -r 8000 -c 1 -b 16 '" + prompt + "' synth " +
                           std::to_string(kPromptSeconds) + " sine 300:3000 gain -6";
  if (std::system(make.c_str()) != 0) return 1;

  double cpuPerLine = 0;
  std::vector<double> delays;
  {
    SystemClock clock;
    MainLoop loop(clock);
    Bench bench(loop, clock, folder);
    bench.Start();
    loop.Run();
    cpuPerLine = bench.cpuPerLinePercent;
    delays = bench.delaysMs;
  }
  const double child0 = CpuSeconds(RUSAGE_CHILDREN);
  const std::string convert = "sox '" + prompt + "' -r 8000 -c 1 -b 16 -t raw /dev/null";
  for (int i = 0; i < 8; ++i) {
    if (std::system(convert.c_str()) != 0) return 1;
  }
  const double soxPercent = (CpuSeconds(RUSAGE_CHILDREN) - child0) / (8 * kPromptSeconds) * 100;
  std::sort(delays.begin(), delays.end());
  const double median = delays.empty() ? 0 : delays[delays.size() / 2];
  const double direct = DirectReadMs(prompt);
  std::printf("%-22s ours %8.3f %% core per line   sox %8.3f %% per audio second  "
              "ratio ours/reference %.2f\n",
              "line cpu (64 lines)", cpuPerLine, soxPercent, cpuPerLine / soxPercent);
  std::printf("%-22s ours %8.3f ms (median of %zu)  direct read %8.3f ms  ratio ours/reference %.2f\n",
              "play to device", median, delays.size(), direct, median / direct);
  std::system(("rm -rf '" + folder + "'").c_str());
  return 0;
}
