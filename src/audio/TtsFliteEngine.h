#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "audio/TtsEngine.h"

struct cst_voice_struct;
struct FliteVoiceEntry;

// Flite's English voices, in a fixed order: the clustergen voices first
// (slt, rms, awb: the most natural), then the diphone voices kal16 and kal.
// A voice whose data fails to load is left out. Build one per process.
class TtsFliteEngine final : public TtsEngine {
 public:
  TtsFliteEngine();
  ~TtsFliteEngine() override;

  int VoiceCount() const override { return static_cast<int>(voices_.size()); }
  std::string VoiceName(int voice) const override;
  std::string VoiceLanguage(int voice) const override;
  int32_t SampleRate(int voice) const override;
  bool Speak(int voice, std::string_view piece, const TtsSamples& out) override;

 private:
  struct Voice {
    const FliteVoiceEntry* entry;
    cst_voice_struct* voice;
    int32_t rate;
  };

  std::vector<Voice> voices_;
  std::mutex lock_;  // Flite's voices and error hook are shared state
};
