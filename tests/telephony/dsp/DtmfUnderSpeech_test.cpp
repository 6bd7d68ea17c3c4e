// Keys pressed while someone talks (or while a prompt echoes back) must still
// be found: every key at a telephone's level, with espeak-ng speech mixed in
// 10 dB below the tones' power.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DtmfSignals.h"
#include "support/TempDir.h"

namespace {

constexpr int kPresses = 8;  // of each key

constexpr char kUnderSpeechScript[] =
    "Good morning, this is the accounts office calling about your order from last week. The invoice "
    "went out on Tuesday, and we still need the delivery address and a telephone number where we can "
    "reach you during the day. If it is easier, send us an email and we will sort it out tomorrow.\n";

double Power(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (int16_t v : samples) sum += static_cast<double>(v) * v;
  return sum / static_cast<double>(samples.size());
}

}  // namespace

TEST(DtmfUnderSpeech, FindsMostKeysWithSpeechTenDecibelsBelowAndNeverAWrongOne) {
  TempDir dir;
  const std::vector<int16_t> speech = SpeakScript(dir, kUnderSpeechScript, {"en+m3 -p 40", "en+f3 -p 70 -s 190"});
  ASSERT_GT(speech.size(), 8000u * 20) << "needs espeak-ng and sox";
  // 70 ms presses with 70 ms gaps, the column tone 2 dB up as telephones send them.
  const DtmfTone press{.ms = 70, .twistDb = 2};
  const double toneA = press.rowAmplitude;
  const double toneB = toneA * std::pow(10, press.twistDb / 20);
  const double gain = std::sqrt((toneA * toneA + toneB * toneB) / 2 / 10 / Power(speech));
  int found = 0;
  size_t offset = 0;
  for (char key : std::string(kAllKeys)) {
    std::vector<int16_t> samples(400, 0);
    for (int i = 0; i < kPresses; ++i) AppendTone(samples, {.key = key, .ms = press.ms, .twistDb = press.twistDb}, 70);
    for (int16_t& v : samples) {
      const double mixed = v + gain * speech[offset++ % speech.size()];
      v = static_cast<int16_t>(std::lround(std::clamp(mixed, -32768.0, 32767.0)));
    }
    const std::string keys = DetectInBlocks(samples);
    EXPECT_EQ(keys.find_first_not_of(key), std::string::npos) << "key " << key << " heard as \"" << keys << '"';
    found += static_cast<int>(std::min<size_t>(keys.size(), kPresses));
  }
  EXPECT_GE(found, 0.95 * 16 * kPresses) << found << " of " << 16 * kPresses << " presses found";
}
