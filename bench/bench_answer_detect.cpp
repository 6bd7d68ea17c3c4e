// Answer detection on the labelled set of make_labelled_sets.sh (usage:
// bench_answer_detect FOLDER). Each file goes through LSinkAnswerDetect as a
// placed call feeds it: mu-law RTP frames, turned to the audio chain's scale
// and written in the recorder's 100 ms buffers, with the controller's
// defaults ("silencetime" 2250 ms, "timeout" 30000 ms); the first verdict
// after a buffer counts. Past a file's end its last second repeats, as the
// line would go on. Prints the confusion matrix, the share correct, and the
// same share for the fixed rule "always a person" (the largest class) as
// the reference, the range of verdict times in each cell, then every miss.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "LabelledSet.h"
#include "audio/LSoundSourceBase.h"
#include "telephony/dsp/LSinkAnswerDetect.h"

namespace {

constexpr int32_t kSilenceMs = 2250;
constexpr int32_t kTimeoutMs = 30000;
constexpr std::size_t kRecorderBuffer = 800;  // 100 ms at 8000 Hz
constexpr std::size_t kRepeat = 8000;         // the last second, past the end

const std::array<const char*, 3> kClasses = {"person", "machine", "noanswer"};

int ClassOf(const std::string& label) {
  for (int i = 0; i < 3; ++i) {
    if (label == kClasses[i]) return i;
  }
  return -1;
}

struct Verdict {
  int verdict = -1;  // index into kClasses
  double seconds = 0;
};

Verdict Detect(const std::vector<int16_t>& line) {
  auto result = std::make_shared<std::atomic<uint8_t>>(0);
  LSinkAnswerDetect detector(result, kSilenceMs, kTimeoutMs);
  std::vector<int32_t> buffer(kRecorderBuffer);
  const std::size_t tail = line.size() > kRepeat ? line.size() - kRepeat : 0;
  for (std::size_t at = 0;; at += kRecorderBuffer) {
    for (std::size_t i = 0; i < kRecorderBuffer; ++i) {
      const std::size_t n = at + i;
      const std::size_t from = n < line.size() ? n : tail + (n - line.size()) % (line.size() - tail);
      buffer[i] = ChainFrom16(line[from]);
    }
    detector.Write(buffer.data(), static_cast<int32_t>(buffer.size()));
    const uint8_t value = result->load();
    if (value != 0) {
      const int verdict = value == LSinkAnswerDetect::kPerson    ? 0
                          : value == LSinkAnswerDetect::kMachine ? 1
                                                                 : 2;
      return {verdict, static_cast<double>(at + kRecorderBuffer) / 8000};
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_answer_detect FOLDER\n");
    return 2;
  }
  const std::vector<LabelledFile> files = ReadManifest(argv[1], "answer");
  if (files.empty()) {
    std::fprintf(stderr, "bench_answer_detect: no answer files in %s/manifest.tsv\n", argv[1]);
    return 1;
  }
  std::array<std::array<int, 3>, 3> matrix{};
  std::array<std::array<std::pair<double, double>, 3>, 3> times{};
  std::array<int, 3> totals{};
  std::vector<std::string> misses;
  for (const LabelledFile& file : files) {
    const int truth = ClassOf(file.label);
    const std::vector<int16_t> line = ReadLineAudio(file.path);
    if (truth < 0 || line.empty()) {
      std::fprintf(stderr, "bench_answer_detect: %s cannot be used\n", file.path.c_str());
      return 1;
    }
    const Verdict verdict = Detect(line);
    auto& [first, last] = times[truth][verdict.verdict];
    first = matrix[truth][verdict.verdict] == 0 ? verdict.seconds : std::min(first, verdict.seconds);
    last = std::max(last, verdict.seconds);
    ++matrix[truth][verdict.verdict];
    ++totals[truth];
    if (verdict.verdict != truth) {
      char text[512];
      std::snprintf(text, sizeof text, "  %-9s as %-9s at %5.2f s  %s  %s", kClasses[truth],
                    kClasses[verdict.verdict], verdict.seconds, file.path.c_str(), file.note.c_str());
      misses.push_back(text);
    }
  }
  std::printf("answer detection, %zu files (rows: truth, columns: verdict)\n", files.size());
  std::printf("%-10s %8s %8s %8s\n", "", kClasses[0], kClasses[1], kClasses[2]);
  int correct = 0;
  for (int t = 0; t < 3; ++t) {
    std::printf("%-10s %8d %8d %8d\n", kClasses[t], matrix[t][0], matrix[t][1], matrix[t][2]);
    correct += matrix[t][t];
  }
  const double ours = static_cast<double>(correct) / static_cast<double>(files.size());
  const double fixed = static_cast<double>(totals[0]) / static_cast<double>(files.size());
  std::printf("share correct: ours %.3f  always-person rule %.3f  ratio ours/reference %.3f\n", ours, fixed,
              ours / fixed);
  std::printf("verdict times (s), first-last:\n");
  for (int t = 0; t < 3; ++t) {
    std::printf("%-10s", kClasses[t]);
    for (int v = 0; v < 3; ++v) std::printf(" %5.1f-%-5.1f", times[t][v].first, times[t][v].second);
    std::printf("\n");
  }
  std::printf("misses:\n");
  for (const std::string& miss : misses) std::printf("%s\n", miss.c_str());
  return 0;
}
