#include "audio/AudioImport.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "audio/LPRSourceToSink.h"
#include "audio/LWaveFile.h"
#include "audio/LineRate.h"
#include "audio/SoundFile.h"
#include "core/FileIo.h"
#include "core/LProcessListThread.h"
#include "core/Trace.h"

bool LoadAudioFile(const std::string& in, const std::string& out, LProgress& progress,
                   LProcessListThread* levelling) {
  LSoundSourceRef source = OpenSoundFile(in);
  if (source->IsError()) return false;
  const ProcessResult result = PumpAndFinish(
      "Process Audio", std::move(source), LWaveFile::OpenSinkPCM(out, kLineRate, 0, 16, 1), progress);
  if (result != kProcessDone) return false;
  if (levelling) levelling->Add(out);
  return true;
}

ProcessResult LPRCompressWav::Process(LProgress& progress) {
  std::string temp;
  if (!CreateTempFile("tmp", temp).Valid()) {
    Trace("LPRCompressWav unable to create a temporary file: %s", std::strerror(errno));
    return kProcessFailed;
  }
  ProcessResult result = PumpAndFinish("Convert Wav File Format", LWaveFile::OpenSource(path_),
                                       LWaveFile::OpenSink(temp, format_), progress);
  if (result == kProcessDone && !MoveFileOver(temp, path_)) {
    Trace("LPRCompressWav unable to replace %s: %s", path_.c_str(), std::strerror(errno));
    result = kProcessFailed;
  }
  tempRemoved_ = ::unlink(temp.c_str()) == 0 || errno == ENOENT;
  return result;
}
