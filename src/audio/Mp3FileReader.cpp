#include "audio/Mp3FileReader.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "core/FileIo.h"

namespace {

constexpr std::size_t kBufferBytes = 16384;

}  // namespace

Mp3FileReader::Mp3FileReader(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), buffer_(kBufferBytes) {
  if (!fd_.Valid()) return;
  MarkInUse(fd_.Get(), false);
  budget_ = std::max<int64_t>(FileSize(fd_.Get()) - kTailBytes, 0);
}

bool Mp3FileReader::Fill() {
  bufferStart_ = offset_;
  const auto want = static_cast<std::size_t>(std::min<int64_t>(Left(), kBufferBytes));
  bufferSize_ = ReadUpToAt(fd_.Get(), buffer_.data(), want, static_cast<off_t>(offset_));
  return bufferSize_ > 0;
}

bool Mp3FileReader::Read(uint8_t* out, std::size_t size) {
  if (static_cast<int64_t>(size) > Left()) return false;
  std::size_t done = 0;
  const int64_t start = offset_;
  while (done < size) {
    const int64_t at = offset_ - bufferStart_;
    if (at < 0 || at >= static_cast<int64_t>(bufferSize_)) {
      if (!Fill()) {
        offset_ = start;  // the file is shorter than it was
        return false;
      }
      continue;
    }
    const std::size_t take = std::min(size - done, bufferSize_ - static_cast<std::size_t>(at));
    std::memcpy(out + done, buffer_.data() + at, take);
    done += take;
    offset_ += static_cast<int64_t>(take);
  }
  return true;
}

void Mp3FileReader::SeekTo(int64_t offset) { offset_ = std::clamp<int64_t>(offset, 0, budget_); }
