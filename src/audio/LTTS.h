#pragma once

#include <string>

#include "audio/LProgressProcess.h"
#include "audio/TtsVoices.h"

class LProgress;
class LSignalObject;

// What a user who asks for speech is told when no engine is installed.
inline constexpr const char* kNoSpeechEngineMessage =
    "No Speech Engine Installed.\r\n\r\nIn order to use the Speech Synthesizer you must install a "
    "speech engine. Install Flite (Debian package flite) or eSpeak NG (espeak-ng) and start again.";

// One synthesis job: `text` spoken by the voice at position `voice` into the
// WAVE file `path` (created, or emptied when it exists).
struct LTTS {
  std::string text;
  std::string path;
  int voice = 0;
  // When given: set once the file holds its header, so a reader may open
  // it and follow it while it grows, and set again when the synthesis ends.
  LSignalObject* ready = nullptr;
};

// Speaks the job's text, cleaned and cut (TtsText.h), piece by piece into the
// file: 16-bit mono PCM at the voice's rate. The progress shows
// "Synthesizing Voice" and the share of the text spoken, and is asked to
// cancel between pieces and between blocks of samples. An empty text gives a
// valid file without samples.
// kProcessDone: all spoken. kProcessCancelled: the file is complete up to
// the stop. kProcessFailed: no voice installed or the file cannot be made (no
// file then), or the engine failed part-way (the file keeps what was spoken).
ProcessResult Process(LTTS& job, LProgress& progress,
                      const TtsVoices& voices = TtsVoices::Installed());
