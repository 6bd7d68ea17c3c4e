#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Receives 16-bit mono samples as an engine makes them; returning false asks
// the engine to stop speaking.
using TtsSamples = std::function<bool(const int16_t* samples, std::size_t count)>;

// A speech engine and its voices, numbered from 0 in a stable order. One
// engine serves every synthesis thread of the process, so Speak serialises
// inside the engine (the libraries keep global state).
class TtsEngine {
 public:
  TtsEngine() = default;
  virtual ~TtsEngine() = default;
  TtsEngine(const TtsEngine&) = delete;
  TtsEngine& operator=(const TtsEngine&) = delete;

  virtual int VoiceCount() const = 0;
  // The name the console shows, "Flite slt (US English, female)".
  virtual std::string VoiceName(int voice) const = 0;
  // A lower-case language tag such as "en-us".
  virtual std::string VoiceLanguage(int voice) const = 0;
  // The rate of the voice's 16-bit mono output.
  virtual int32_t SampleRate(int voice) const = 0;
  // Speaks one piece of cleaned text (TtsText.h) into `out`. False when the
  // engine failed; a stop asked by `out` is no failure.
  virtual bool Speak(int voice, std::string_view piece, const TtsSamples& out) = 0;
};
