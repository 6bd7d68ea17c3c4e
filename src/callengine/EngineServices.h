#pragma once

#include <string>

#include "callengine/IVRCServices.h"

class LProcessListThread;

// The engine's services for its call controllers: speech from the installed
// voices, answer detection on placed calls, and the outbound number list in
// the data folder. Recorded files go to the gain-control work list when the
// engine runs one.
class EngineServices final : public IVRCServices {
 public:
  // `levelling` may be null (recordings are then not levelled).
  EngineServices(std::string dataRoot, std::string settingsFile, LProcessListThread *levelling)
      : dataRoot_(std::move(dataRoot)),
        settingsFile_(std::move(settingsFile)),
        levelling_(levelling) {}

  LSoundSourceRef OpenSpeech(const std::string &text, int voice) override;
  LSoundSinkRef OpenAnswerDetector(AnswerResult result, int32_t timeoutMs,
                                   int32_t silenceMs) override;
  // Appends the entry to "outboundlist.txt" and makes the run active.
  void AddOutboundEntry(const std::string &entry) override;
  void AddLevellingWork(const std::string &path) override;

 private:
  const std::string dataRoot_;
  const std::string settingsFile_;
  LProcessListThread *const levelling_;
};
