#include "audio/LPRSourceToSink.h"

#include <utility>
#include <vector>

#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "audio/LSPPeakLimit.h"

LPRSourceToSink::LPRSourceToSink(std::string title, LSoundSourceRef source, LSoundSinkRef sink)
    : LProgressProcess(std::move(title)), source_(std::move(source)), sink_(std::move(sink)) {}

ProcessResult PumpAndFinish(std::string title, LSoundSourceRef source, LSoundSinkRef sink,
                            LProgress& progress) {
  const LSoundSinkBase::Failure failure = sink ? sink->ShareFailure() : nullptr;
  const ProcessResult result =
      LPRSourceToSink(std::move(title), std::move(source), std::move(sink)).Process(progress);
  return result == kProcessDone && failure && failure->load() != 0 ? kProcessFailed : result;
}

ProcessResult LPRSourceToSink::Process(LProgress& progress) {
  progress.SetText(0, Title());
  progress.SetText(1, "Please wait...");
  progress.SetProgress(0);

  LSoundSourceRef source = source_;
  LSoundSinkRef sink = sink_;
  if (!source || source->IsError() || !sink || sink->IsError()) return kProcessFailed;

  source = LSPConvChannels(sink->Channels()).OpenSource(source);
  source = LSPConvertRate(static_cast<int32_t>(sink->SampleRate())).OpenSource(source);
  source = LSPPeakLimit(kFullScale16).OpenSource(source);
  // A chain the adapters could not fit to the sink would make it misread
  // every block (past the buffer's end for more channels), so it fails
  // before anything is written.
  if (source->IsError() || source->Channels() != sink->Channels() ||
      static_cast<uint32_t>(source->SampleRate()) != sink->SampleRate()) {
    return kProcessFailed;
  }

  double total = source->GetEndSample();
  if (total == 0) total = 1;
  std::vector<int32_t> buffer(static_cast<size_t>(kBlockFrames) * source->Channels());
  for (;;) {
    if (progress.IsCancelled()) return kProcessCancelled;
    source->Read(buffer.data(), kBlockFrames);
    int32_t position = source->GetPosition();
    int32_t end = source->GetEndSample();
    if (position >= end) {
      int64_t last = int64_t{kBlockFrames} - (int64_t{position} - end);
      if (last > 0 && last <= kBlockFrames) sink->Write(buffer.data(), static_cast<int32_t>(last));
      return sink->IsError() ? kProcessFailed : kProcessDone;
    }
    sink->Write(buffer.data(), kBlockFrames);
    // A sink that failed part way (a full disk) holds a cut-off copy, which
    // must never pass for the whole source.
    if (sink->IsError()) return kProcessFailed;
    progress.SetProgress(position / total);
  }
}
