#include "audio/PromptProcessing.h"

#include <cstdint>

#include "audio/LSPCompressor.h"
#include "audio/LSPGain.h"
#include "audio/LSPHighPass.h"
#include "core/Profile.h"

namespace {

constexpr const char* kSection = "settings";
// 10^(-1/30): above the threshold the output rises by a third of a dB per dB.
constexpr double kCompressorRatio = 0.9261187281287935;
constexpr int32_t kCompressorWindowMs = 50;

}  // namespace

LSoundSourceRef ApplyPromptProcessing(const std::string& settingsFile, LSoundSourceRef source) {
  const int highPass = ProfileReadInt(settingsFile, kSection, "audiohighpass", 0);
  if (highPass > 20) source = LSPHighPass(highPass).OpenSource(source);

  const int8_t threshold = ProfileReadDb(settingsFile, kSection, "audiocompressorthres", 0);
  if (threshold < -2) {
    source = LSPCompressor(threshold, kCompressorRatio, kCompressorWindowMs).OpenSource(source);
  }

  const int8_t gain = ProfileReadDb(settingsFile, kSection, "audiogain", 0);
  if (gain > 1 || gain < -1) source = LSPGain(gain).OpenSource(source);
  return source;
}
