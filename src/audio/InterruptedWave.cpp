#include "audio/InterruptedWave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "audio/LCodecBytes.h"
#include "audio/WaveFileIo.h"
#include "core/FileIo.h"

namespace {

constexpr int64_t kRiffHeaderBytes = 12;  // "RIFF", size, "WAVE"

bool WriteLe32At(int fd, int64_t offset, uint32_t value) {
  uint8_t bytes[4];
  StoreLe32(bytes, value);
  return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == offset &&
         WriteFully(fd, std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

}  // namespace

InterruptedWave::InterruptedWave(const std::string& path) {
  fd_.Reset(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd_.Valid() || ::fstat(fd_.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  // Locked before it is read: a recorder that ends meanwhile has stored its
  // sizes by the time the lock is ours.
  if (!MarkInUse(fd_.Get(), true)) {
    state_ = State::kInUse;
    return;
  }
  Inspect();
}

void InterruptedWave::Inspect() {
  const int fd = fd_.Get();
  WaveChunkHeader data{};
  if (!FindWaveForm(fd)) return;
  riffStart_ = ::lseek(fd, 0, SEEK_CUR) - kRiffHeaderBytes;
  if (!ReadWaveFmtChunk(fd, format_) || !FindWaveChunk(fd, "data", data) ||
      data.size != kWaveStreamingSize) {
    return;
  }
  dataStart_ = ::lseek(fd, 0, SEEK_CUR);
  if (riffStart_ < 0 || dataStart_ < 0) return;
  const int64_t align = std::max<int64_t>(format_.BlockAlign(), 1);
  const int64_t present = std::max<int64_t>(FileSize(fd) - dataStart_, 0);
  // The sizes must stay below the streaming marker.
  const int64_t most = int64_t{kWaveStreamingSize} - 1 - (dataStart_ - riffStart_ - 8);
  dataBytes_ = static_cast<uint32_t>(std::max<int64_t>(std::min(present, most) / align * align, 0));
  state_ = State::kInterrupted;
}

int64_t InterruptedWave::DurationMs() const {
  int64_t perSecond = format_.AvgBytesPerSec();
  if (perSecond <= 0) perSecond = int64_t{format_.SamplesPerSec()} * std::max<int>(format_.BlockAlign(), 1);
  return perSecond > 0 ? int64_t{dataBytes_} * 1000 / perSecond : 0;
}

bool InterruptedWave::Finish() {
  if (state_ != State::kInterrupted) return false;
  const int fd = fd_.Get();
  const int64_t end = dataStart_ + dataBytes_;
  if (::ftruncate(fd, static_cast<off_t>(end)) != 0 ||
      !WriteLe32At(fd, riffStart_ + 4, static_cast<uint32_t>(end - riffStart_ - 8)) ||
      !WriteLe32At(fd, dataStart_ - 4, dataBytes_) || ::fsync(fd) != 0) {
    return false;
  }
  state_ = State::kNotInterrupted;
  return true;
}
