#include "ui/ConsoleAudio.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>

#include "audio/LPRSourceToSink.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/WaveFileIo.h"

namespace {

// 16-bit PCM bytes in memory; refuses (and turns to error) what would pass
// `room`.
class WaveMemorySink final : public LSoundSinkBase {
 public:
  WaveMemorySink(uint32_t rate, int channels, std::size_t room)
      : LSoundSinkBase(rate, channels), room_(room) {}

  void Write(const int32_t* buffer, int32_t frames) override {
    const std::size_t samples = static_cast<std::size_t>(frames) * Channels();
    if (IsError() || bytes.size() + 2 * samples > room_) return SetError();
    for (std::size_t i = 0; i < samples; ++i) {
      const auto value = static_cast<uint16_t>(ChainTo16(buffer[i]));
      bytes += static_cast<char>(value & 0xFF);
      bytes += static_cast<char>(value >> 8);
    }
    Advance(frames);
  }

  std::string bytes;

 private:
  const std::size_t room_;
};

// The file's identity as far as a conversion depends on it; "" when it
// cannot be read.
std::string FileKey(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "";
  return path + "|" + std::to_string(info.st_size) + "|" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

std::string TooLong() {
  return "the message is too long to play here (over " + std::to_string(ConsoleAudio::kMaxWaveBytes >> 20) +
         " MB decoded); download it instead";
}

ConsoleAudio::Playable Decode(const std::string& audioPath, LProgress& progress) {
  LSoundSourceRef source = LWaveFile::OpenSource(audioPath);
  if (source->IsError()) return {false, nullptr, "the message's audio cannot be read"};
  const LWaveFileFormat format =
      LWaveFileFormat::Pcm(static_cast<uint32_t>(source->SampleRate()), source->Channels(), 16);
  const std::size_t header = WaveHeader(format, 0).size();
  const int64_t estimate = int64_t{source->GetEndSample()} * format.BlockAlign();
  if (estimate > static_cast<int64_t>(ConsoleAudio::kMaxWaveBytes - header))
    return {false, nullptr, TooLong()};

  LRef<WaveMemorySink> sink =
      new WaveMemorySink(format.SamplesPerSec(), format.Channels(), ConsoleAudio::kMaxWaveBytes - header);
  const ProcessResult result = LPRSourceToSink("Decode", source, sink).Process(progress);
  if (sink->IsError()) return {false, nullptr, TooLong()};
  if (result != kProcessDone) return {false, nullptr, "the message's audio could not be decoded"};
  const std::vector<uint8_t> head = WaveHeader(format, static_cast<uint32_t>(sink->bytes.size()));
  auto wave = std::make_shared<std::string>(head.begin(), head.end());
  *wave += sink->bytes;
  return {false, std::move(wave), ""};
}

}  // namespace

ConsoleAudio::Playable ConsoleAudio::Get(const std::string& audioPath, LProgress& progress) {
  LWaveFileFormat format;
  if (!LWaveFile::ReadFormat(audioPath, format))
    return {false, nullptr, "the message's audio cannot be read"};
  const uint16_t bits = format.BitsPerSample();
  if (format.Tag() == LWaveFileFormat::kTagPcm && (bits == 8 || bits == 16) &&
      !LWaveFile::OpenSource(audioPath)->IsStreaming())
    return {true, nullptr, ""};

  std::lock_guard<std::mutex> hold(mutex_);
  const std::string key = FileKey(audioPath);
  if (!key.empty() && key == key_ && wave_) return {false, wave_, ""};
  Playable decoded = Decode(audioPath, progress);
  key_ = decoded.wave ? key : "";
  wave_ = decoded.wave;
  return decoded;
}
