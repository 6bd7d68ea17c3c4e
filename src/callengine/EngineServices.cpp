#include "callengine/EngineServices.h"

#include "audio/LTTSSoundSource.h"
#include "telephony/OutboundList.h"
#include "core/LProcessListThread.h"
#include "core/Trace.h"
#include "telephony/dsp/LSinkAnswerDetect.h"

LSoundSourceRef EngineServices::OpenSpeech(const std::string &text, int voice) {
  return new LTTSSoundSource(text, voice);
}

LSoundSinkRef EngineServices::OpenAnswerDetector(AnswerResult result, int32_t timeoutMs,
                                                 int32_t silenceMs) {
  return new LSinkAnswerDetect(std::move(result), silenceMs, timeoutMs);
}

void EngineServices::AddOutboundEntry(const std::string &entry) {
  OutboundList(dataRoot_, settingsFile_).Add(entry);
}

void EngineServices::AddLevellingWork(const std::string &path) {
  if (!levelling_ || !levelling_->Add(path)) {
    Trace("EngineServices::AddLevellingWork \"%s\" is not levelled", path.c_str());
  }
}
