#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "audio/TtsEngine.h"

// eSpeak NG's voices (one per language and dialect), sorted by name so the
// positions stay put between runs. The library keeps its state globally, so
// build one per process. Without its data it offers no voices.
class TtsEspeakEngine final : public TtsEngine {
 public:
  TtsEspeakEngine();

  int VoiceCount() const override { return static_cast<int>(voices_.size()); }
  std::string VoiceName(int voice) const override;
  std::string VoiceLanguage(int voice) const override;
  int32_t SampleRate(int /*voice*/) const override { return rate_; }
  bool Speak(int voice, std::string_view piece, const TtsSamples& out) override;

 private:
  struct Voice {
    std::string name;
    std::string identifier;  // the voice file, as the library selects it
    std::string language;
  };

  std::vector<Voice> voices_;
  int32_t rate_ = 0;
  std::mutex lock_;  // the library is not reentrant
};
