#pragma once

#include <string>
#include <vector>

#include "audio/LProgressProcess.h"

class LProgress;

// Transcribes one voice-mail message: the file is converted to the model's
// rate in a temporary file of its own, decoded in blocks, and the phrases
// are assembled into text (SRGramNotify.h). The whole file is decoded as
// fast as the processor allows, so no time-out ends the job early.
class LSpeechRec {
 public:
  // The message audio to transcribe, the mailbox's "speechtotextspeaker" and
  // "speechtotextengine". The engine is chosen by position (past the end:
  // the last one); the speaker names no one to this engine, which adapts to
  // no particular voice, and is kept only for the record.
  LSpeechRec(std::string wavePath, std::string speaker, int engine);

  // kProcessDone (text ready, possibly empty), kProcessCancelled (the
  // progress asked to stop; noticed within a block of about 130 ms of
  // audio), kProcessFailed (no model, unreadable audio, decoder error).
  ProcessResult Process(LProgress& progress);
  // Never longer than 65535 characters.
  const std::string& Text() const { return text_; }

 private:
  ProcessResult Decode(const std::string& path, LProgress& progress);

  std::string wavePath_;
  std::string speaker_;
  int engine_;
  std::string text_;
};

// The recognition engines a mailbox may choose by position (for the console's list).
std::vector<std::string> SpeechRecEngineNames();
