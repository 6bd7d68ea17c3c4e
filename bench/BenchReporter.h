#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// The console output, plus each benchmark's time per iteration and its
// counters kept by name, so that a benchmark program can end with the ratio
// of ours to the reference for each pair it compares.
class BenchReporter : public benchmark::ConsoleReporter {
 public:
  // CPU time keeps the ratios steady on a busy machine; wall time is what
  // counts where the work waits for the file system.
  enum class Clock { kReal, kCpu };

  explicit BenchReporter(Clock clock) : clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // With repetitions the mean (reported after the single runs) wins.
      const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "mean";
      if (run.error_occurred || !usable) continue;
      times_[run.run_name.function_name] = {
          clock_ == Clock::kCpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime(),
          benchmark::GetTimeUnitString(run.time_unit), benchmark::GetTimeUnitMultiplier(run.time_unit)};
      for (const auto& [name, counter] : run.counters) counters_[name] = counter;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // One line: `what`, the time of benchmark `ours`, the time of `reference`
  // under `referenceLabel`, and ours/reference. Nothing when either did not run.
  void PrintRatio(const std::string& what, const std::string& ours, const std::string& reference,
                  const std::string& referenceLabel) const {
    const auto our = times_.find(ours);
    const auto their = times_.find(reference);
    if (our == times_.end() || their == times_.end()) return;
    const char* clock = clock_ == Clock::kCpu ? " CPU" : "";
    std::printf("%-22s ours %9.2f %s%s  %-8s %9.2f %s%s  ratio ours/reference %.3f\n", what.c_str(),
                our->second.value, our->second.unit, clock, referenceLabel.c_str(), their->second.value,
                their->second.unit, clock, our->second.Seconds() / their->second.Seconds());
  }

  // The value the last usable run gave counter `name`; 0 when none did.
  double Counter(const std::string& name) const {
    const auto found = counters_.find(name);
    return found == counters_.end() ? 0 : static_cast<double>(found->second);
  }

 private:
  // A time per iteration in the unit its benchmark reports in.
  struct Time {
    double value = 0;
    const char* unit = "";
    double perSecond = 1;  // units in a second
    double Seconds() const { return value / perSecond; }
  };

  Clock clock_;
  std::map<std::string, Time> times_;
  std::map<std::string, double> counters_;
};

// A new folder under $TMPDIR (or /tmp) for a benchmark's files; empty when
// it cannot be made.
inline std::string MakeBenchFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/zavotel-bench-XXXXXX";
  return ::mkdtemp(pattern.data()) ? pattern : std::string();
}
