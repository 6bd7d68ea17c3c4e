#include "callengine/EngineServices.h"

#include <fcntl.h>
#include <sys/file.h>

#include "audio/LTTSSoundSource.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/LProcessListThread.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

LSoundSourceRef EngineServices::OpenSpeech(const std::string &text, int voice) {
  return new LTTSSoundSource(text, voice);
}

LSoundSinkRef EngineServices::OpenAnswerDetector(AnswerResult, int32_t, int32_t) {
  Trace("EngineServices::OpenAnswerDetector no answer detection in this engine");
  return nullptr;
}

void EngineServices::AddOutboundEntry(const std::string &entry) {
  const std::string path = ResolveCaseInsensitive(PathJoin(dataRoot_, "outboundlist.txt"));
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
  // The scheduler and the console edit the list too: one writer at a time.
  if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX) != 0 || !WriteFully(fd.Get(), entry + ";\r\n")) {
    Trace("EngineServices::AddOutboundEntry cannot add to \"%s\"", path.c_str());
  }
}

void EngineServices::AddLevellingWork(const std::string &path) {
  if (!levelling_ || !levelling_->Add(path)) {
    Trace("EngineServices::AddLevellingWork \"%s\" is not levelled", path.c_str());
  }
}
