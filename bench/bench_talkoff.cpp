// Key detection on the labelled sets of make_labelled_sets.sh (usage:
// bench_talkoff FOLDER): false keys per hour on speech, music and noise
// (talk-off), and the share of valid keys found with speech 10 dB below
// them. LDtmfDetector is fed as a call feeds it, 20 ms frames of mu-law
// decoded audio. The reference is a plain Goertzel detector over 205-sample
// blocks with the same level, twist and stand-out limits but neither the
// frequency check nor the share of the power, reporting a key held for two
// blocks; the ratio compares false keys per hour (ours/reference).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "LabelledSet.h"
#include "telephony/dsp/DtmfKeypad.h"
#include "telephony/dsp/LDtmfDetector.h"

namespace {

class GoertzelReference {
 public:
  std::string Feed(std::span<const int16_t> samples) {
    std::string keys;
    for (int16_t v : samples) {
      block_[filled_++] = v;
      if (filled_ == kBlock) {
        filled_ = 0;
        const char key = Classify();
        if (key && key == last_ && key != held_) keys += key;
        if (key && key == last_) held_ = key;
        if (!key) held_ = 0;
        last_ = key;
      }
    }
    return keys;
  }

 private:
  static constexpr int kBlock = 205;

  double Amplitude(double hz) const {
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / 8000);
    double s1 = 0;
    double s2 = 0;
    for (int16_t x : block_) {
      const double s = x + coefficient * s1 - s2;
      s2 = s1;
      s1 = s;
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2)) / kBlock;
  }

  // The group's strongest tone when the others are 6 dB down, else -1.
  static int Strongest(const std::array<double, 4>& a) {
    int best = 0;
    for (int i = 1; i < 4; ++i) best = a[i] > a[best] ? i : best;
    for (int i = 0; i < 4; ++i) {
      if (i != best && a[i] > 0.5 * a[best]) return -1;
    }
    return best;
  }

  char Classify() const {
    std::array<double, 4> rows{};
    std::array<double, 4> columns{};
    for (int i = 0; i < 4; ++i) {
      rows[i] = Amplitude(kDtmfRowHz[i]);
      columns[i] = Amplitude(kDtmfColumnHz[i]);
    }
    const int row = Strongest(rows);
    const int column = Strongest(columns);
    if (row < 0 || column < 0) return 0;
    const double a = rows[row];
    const double b = columns[column];
    if (a < 400 || b < 400 || b > 2.818 * a || a > 1.778 * b) return 0;
    return DtmfKeyAt(row, column);
  }

  std::array<int16_t, kBlock> block_{};
  int filled_ = 0;
  char last_ = 0;
  char held_ = 0;
};

struct Keys {
  std::string ours;
  std::string reference;
  std::vector<double> oursAt;  // seconds into the file of each of ours
};

Keys Detect(const std::vector<int16_t>& line) {
  LDtmfDetector detector;
  GoertzelReference reference;
  Keys keys;
  for (std::size_t at = 0; at < line.size(); at += kRtpFrame) {
    const std::span<const int16_t> frame(line.data() + at, kRtpFrame);
    const std::string found = detector.Feed(frame);
    for (std::size_t i = 0; i < found.size(); ++i) keys.oursAt.push_back(static_cast<double>(at) / 8000);
    keys.ours += found;
    keys.reference += reference.Feed(frame);
  }
  return keys;
}

struct Tally {
  double hours = 0;
  int ours = 0;
  int reference = 0;
};

// Presses of `key` found (at most `presses`) and other keys reported.
std::pair<int, int> Score(const std::string& found, char key, int presses) {
  int right = 0;
  for (char c : found) right += c == key;
  return {std::min(right, presses), static_cast<int>(found.size()) - right};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_talkoff FOLDER\n");
    return 2;
  }
  std::map<std::string, Tally> talkoff;
  for (const LabelledFile& file : ReadManifest(argv[1], "talkoff")) {
    const std::vector<int16_t> line = ReadLineAudio(file.path);
    const Keys keys = Detect(line);
    Tally& tally = talkoff[file.label];
    tally.hours += static_cast<double>(line.size()) / 8000 / 3600;
    tally.ours += static_cast<int>(keys.ours.size());
    tally.reference += static_cast<int>(keys.reference.size());
    for (std::size_t i = 0; i < keys.ours.size(); ++i) {
      std::printf("  false key '%c' at %7.2f s in %s\n", keys.ours[i], keys.oursAt[i], file.path.c_str());
    }
  }
  std::printf("talk-off: %-8s %8s %8s %12s %8s %12s\n", "material", "minutes", "ours", "ours/hour", "ref", "ref/hour");
  Tally all;
  for (const auto& [label, tally] : talkoff) {
    std::printf("          %-8s %8.1f %8d %12.2f %8d %12.2f\n", label.c_str(), tally.hours * 60, tally.ours,
                tally.ours / tally.hours, tally.reference, tally.reference / tally.hours);
    all.hours += tally.hours;
    all.ours += tally.ours;
    all.reference += tally.reference;
  }
  if (all.hours > 0) {
    std::printf("talk-off all: ours %.2f/hour  reference %.2f/hour  ratio ours/reference %.3f\n",
                all.ours / all.hours, all.reference / all.hours,
                all.reference ? static_cast<double>(all.ours) / all.reference : 0.0);
  }

  int presses = 0;
  std::array<int, 2> right{};
  std::array<int, 2> wrong{};
  for (const LabelledFile& file : ReadManifest(argv[1], "digits")) {
    const int count = std::stoi(file.note);
    const Keys keys = Detect(ReadLineAudio(file.path));
    const auto [ours, oursWrong] = Score(keys.ours, file.label[0], count);
    const auto [ref, refWrong] = Score(keys.reference, file.label[0], count);
    presses += count;
    right[0] += ours;
    wrong[0] += oursWrong;
    right[1] += ref;
    wrong[1] += refWrong;
    if (ours < count || oursWrong > 0) {
      std::string others = keys.ours;
      std::erase(others, file.label[0]);
      std::printf("  key '%s': %d of %d found, other keys \"%s\" in %s\n", file.label.c_str(), ours, count,
                  others.c_str(), file.path.c_str());
    }
  }
  if (presses > 0) {
    std::printf("keys under speech at -10 dB: %d presses; ours found %.3f (%d wrong keys), reference %.3f (%d wrong)\n",
                presses, static_cast<double>(right[0]) / presses, wrong[0],
                static_cast<double>(right[1]) / presses, wrong[1]);
  }
  return 0;
}
