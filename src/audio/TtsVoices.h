#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/TtsEngine.h"

// A voice picked by its position in the list of every engine's voices.
struct TtsVoiceChoice {
  TtsEngine* engine = nullptr;
  int voice = 0;  // within the engine
};

// The voices of a set of engines, engine by engine in the order given.
class TtsVoices {
 public:
  explicit TtsVoices(std::vector<std::unique_ptr<TtsEngine>> engines);

  // The installed engines: Flite's voices, then eSpeak NG's. Built at the
  // first use and never destroyed: a synthesis thread still running at exit
  // may use them. An engine that fails to load offers no voices.
  static const TtsVoices& Installed();

  int Count() const;
  // The console name of the voice at `position`; "" outside the list.
  std::string Name(int position) const;
  // The voice at `position`; a position beyond the list selects the last
  // voice and a negative one the first. Nothing when no voice is installed.
  std::optional<TtsVoiceChoice> Select(int position) const;
  // The position of the voice that speaks prompts: the first US English
  // voice, else the first English one, else 0; -1 when there are no voices.
  int BestEnglish() const;

 private:
  std::string Language(int position) const;

  std::vector<std::unique_ptr<TtsEngine>> engines_;
};

// The number of installed voices and the name of the one at `position`, as
// the editors and the console list them.
int TTSGetNumSpeakers();
std::string TTSGetDictSpeakerName(int position);
