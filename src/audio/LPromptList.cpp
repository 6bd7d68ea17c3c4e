#include "audio/LPromptList.h"

#include "audio/LSRCSequence.h"
#include "audio/LWaveFile.h"
#include "core/CaseInsensitivePath.h"
#include "core/Path.h"

void LPromptList::Add(std::string_view name) {
  files_.push_back(PathJoinExt(promptFolder_, name, ".wav"));
}

void LPromptList::AddFile(std::string path) { files_.push_back(std::move(path)); }

LSoundSourceRef LPromptList::OpenSource(int32_t sampleRate, int channels) const {
  LRef<LSRCSequence> sequence = new LSRCSequence(sampleRate, channels);
  for (const std::string& file : files_) {
    sequence->Append(LWaveFile::OpenSource(ResolveCaseInsensitive(file)));
  }
  return sequence;
}
