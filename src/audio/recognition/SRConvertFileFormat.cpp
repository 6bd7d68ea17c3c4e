#include "audio/recognition/SRConvertFileFormat.h"

#include "audio/LPRSourceToSink.h"
#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/recognition/LSRCBandFill.h"

ProcessResult ProcessSRConvertFileFormat(const std::string& input, const std::string& output,
                                         const LWaveFileFormat& format, LProgress& progress) {
  if (format.Channels() != 1) return kProcessFailed;
  LSoundSourceRef source = LWaveFile::OpenSource(input);
  source = LSPConvChannels(1).OpenSource(source);
  const int32_t inputRate = source->SampleRate();
  const auto rate = static_cast<int32_t>(format.SamplesPerSec());
  source = LSPConvertRate(rate).OpenSource(source);
  if (inputRate < rate && !source->IsError()) source = new LSRCBandFill(source, inputRate / 2);
  // The output is usually a fresh temporary file: the sink empties it in
  // place rather than deleting it, so its name is never free for another
  // process to take.
  LPRSourceToSink pump("Converting for speech to text", source, LWaveFile::OpenSink(output, format));
  return pump.Process(progress);
}
