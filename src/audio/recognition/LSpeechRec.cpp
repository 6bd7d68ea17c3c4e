#include "audio/recognition/LSpeechRec.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "audio/LProgress.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/recognition/SRConvertFileFormat.h"
#include "audio/recognition/SRGramNotify.h"
#include "audio/recognition/SphinxDecoderPool.h"
#include "audio/recognition/SpeechRecModel.h"
#include "core/FileIo.h"
#include "core/Trace.h"

namespace {

// Frames decoded between two cancel tests: 128 ms of 16 kHz audio, which
// even a sanitizer build decodes well inside the 200 ms a stop may take.
constexpr int32_t kDecodeFrames = 2048;

}  // namespace

LSpeechRec::LSpeechRec(std::string wavePath, std::string speaker, int engine)
    : wavePath_(std::move(wavePath)), speaker_(std::move(speaker)), engine_(engine) {}

ProcessResult LSpeechRec::Process(LProgress& progress) {
  text_.clear();
  const SpeechRecModel& model = SelectSpeechRecModel(engine_);
  // A temporary file of our own: two jobs at once never share one.
  std::string converted;
  if (!CreateTempFile("tmp", converted).Valid()) {
    Trace("LSpeechRec unable to create a temporary file: %s", std::strerror(errno));
    return kProcessFailed;
  }
  ProcessResult result = ProcessSRConvertFileFormat(
      wavePath_, converted, LWaveFileFormat::Pcm(static_cast<uint32_t>(model.sampleRate), 1, 16), progress);
  if (result == kProcessFailed) Trace("LSpeechRec cannot read %s", wavePath_.c_str());
  if (result == kProcessDone) result = Decode(converted, progress);
  ::unlink(converted.c_str());
  return result;
}

ProcessResult LSpeechRec::Decode(const std::string& path, LProgress& progress) {
  progress.SetText(1, "Recognizing speech");
  const SphinxDecoderPool::Lease decoder = SphinxDecoderPool::Shared().Take(SelectSpeechRecModel(engine_));
  if (!decoder) return kProcessFailed;
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  if (source->IsError() || source->Channels() != 1) return kProcessFailed;

  SRGramNotify notify;
  const SphinxDecoder::PhraseSink sink = [&notify](const std::vector<std::string>& words) {
    notify.PhraseFinish(words);
  };
  std::vector<int32_t> block(kDecodeFrames);
  std::vector<int16_t> samples(kDecodeFrames);
  const double total = std::max(1, source->GetEndSample());
  for (;;) {
    if (progress.IsCancelled()) return kProcessCancelled;
    source->Read(block.data(), kDecodeFrames);
    const int32_t position = source->GetPosition();
    const int32_t end = source->GetEndSample();
    const int32_t frames = position >= end ? std::max(0, kDecodeFrames - (position - end)) : kDecodeFrames;
    std::transform(block.begin(), block.begin() + frames, samples.begin(), ChainTo16);
    if (frames > 0 && !decoder->Feed(samples.data(), static_cast<std::size_t>(frames), sink)) {
      return kProcessFailed;
    }
    if (position >= end) break;
    progress.SetProgress(position / total);
  }
  if (!decoder->Finish(sink)) return kProcessFailed;
  text_ = notify.Text();
  progress.SetProgress(1);
  return kProcessDone;
}

std::vector<std::string> SpeechRecEngineNames() {
  std::vector<std::string> names;
  for (const SpeechRecModel& model : SpeechRecModels()) names.push_back(model.name);
  return names;
}
