#pragma once

#include <cstdint>
#include <string>

#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"

class LWaveFileFormat;

// Opens RIFF WAVE files as sources and creates them through sinks.
class LWaveFile {
 public:
  LWaveFile() = delete;

  // Any WAVE file: 1..8-bit, 9..16-bit, 24- and 32-bit PCM, or anything else
  // through a codec. A file that cannot be opened or parsed gives an LSRCNull.
  static LSoundSourceRef OpenSource(const std::string& path);
  // An 8-bit (1..8 bits), 16-bit (9..16 bits), 24- or 32-bit PCM file that
  // keeps its first `startFrame` frames; a null handle for any other depth.
  static LSoundSinkRef OpenSinkPCM(const std::string& path, uint32_t sampleRate,
                                   int32_t startFrame, int bits, int channels);
  // 1..16-, 24- and 32-bit PCM descriptors go to OpenSinkPCM, anything else
  // to a codec sink.
  static LSoundSinkRef OpenSink(const std::string& path, const LWaveFileFormat& format);
  // The descriptor of a WAVE file's "fmt " chunk, as OpenSource reads it.
  static bool ReadFormat(const std::string& path, LWaveFileFormat& format);
};
