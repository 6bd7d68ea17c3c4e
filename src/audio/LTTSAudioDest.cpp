#include "audio/LTTSAudioDest.h"

#include <string_view>

#include "audio/WaveFileIo.h"
#include "core/FileIo.h"
#include "core/Trace.h"

LTTSAudioDest::LTTSAudioDest(UniqueFd fd) : fd_(std::move(fd)) {}

bool LTTSAudioDest::WaveFormatSet(const LWaveFileFormat& format) {
  if (formatSet_ || !fd_.Valid()) return false;
  format_ = format;
  const std::vector<uint8_t> header = WaveHeader(format_, kWaveStreamingSize);
  if (!WriteFully(fd_.Get(),
                  std::string_view(reinterpret_cast<const char*>(header.data()), header.size()))) {
    Trace("LTTSAudioDest::WaveFormatSet header write FAILED");
    return false;
  }
  maxDataBytes_ = WaveMaxDataSize(format_, format_.BlockAlign());
  formatSet_ = true;
  return true;
}

bool LTTSAudioDest::DataSet(const void* data, std::size_t bytes) {
  if (!formatSet_) return false;
  if (bytes > maxDataBytes_ - dataBytes_) {
    Trace("LTTSAudioDest::DataSet the file is full");
    return false;
  }
  if (!WriteFully(fd_.Get(), std::string_view(static_cast<const char*>(data), bytes))) {
    Trace("LTTSAudioDest::DataSet write FAILED");
    return false;
  }
  dataBytes_ += static_cast<uint32_t>(bytes);
  return true;
}

bool LTTSAudioDest::Finish() {
  if (!formatSet_) return false;
  if (WriteWaveHeader(fd_.Get(), format_, dataBytes_)) return true;
  Trace("LTTSAudioDest::Finish header write FAILED");
  return false;
}
