#pragma once

#include <string>

#include "callengine/IVRCServices.h"

class LProcessListThread;

// The engine's services for its call controllers: speech from the installed
// voices, and the outbound number list in the data folder. Recorded files
// go to the gain-control work list when the engine runs one; answer
// detection comes with the outbound scheduler, and until then a placed call
// counts as not answered.
class EngineServices final : public IVRCServices {
 public:
  // `levelling` may be null (recordings are then not levelled).
  EngineServices(std::string dataRoot, LProcessListThread *levelling)
      : dataRoot_(std::move(dataRoot)), levelling_(levelling) {}

  LSoundSourceRef OpenSpeech(const std::string &text, int voice) override;
  LSoundSinkRef OpenAnswerDetector(AnswerResult result, int32_t timeoutMs,
                                   int32_t silenceMs) override;
  // Appends "entry;" to "outboundlist.txt" in the data folder.
  void AddOutboundEntry(const std::string &entry) override;
  void AddLevellingWork(const std::string &path) override;

 private:
  const std::string dataRoot_;
  LProcessListThread *const levelling_;
};
