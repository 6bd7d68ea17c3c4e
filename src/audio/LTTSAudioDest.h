#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/LWaveFileFormat.h"
#include "core/UniqueFd.h"

// Where a synthesis writes: a WAVE file that a reader may follow while it
// grows. The header, written when the engine's format is known, carries
// 0xFFFFFFFF sizes until Finish stores the real ones ("RIFF" size = 38 +
// extra size + data bytes). The file descriptor belongs to this object.
class LTTSAudioDest {
 public:
  explicit LTTSAudioDest(UniqueFd fd);
  LTTSAudioDest(const LTTSAudioDest&) = delete;
  LTTSAudioDest& operator=(const LTTSAudioDest&) = delete;

  // Takes the engine's format and writes the streaming header. Fails when a
  // format was set already or the file refuses the header.
  bool WaveFormatSet(const LWaveFileFormat& format);
  // Appends whole sample frames. Refused before a format is set, when the
  // file refuses them, or when the header could no longer describe the size.
  bool DataSet(const void* data, std::size_t bytes);
  // Rewrites the header with the final sizes; false without a format.
  bool Finish();

 private:
  UniqueFd fd_;
  LWaveFileFormat format_;
  bool formatSet_ = false;
  uint32_t dataBytes_ = 0;
  uint32_t maxDataBytes_ = 0;
};
