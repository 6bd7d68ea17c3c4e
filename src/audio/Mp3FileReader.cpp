#include "audio/Mp3FileReader.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "core/FileIo.h"

namespace {

constexpr std::size_t kBufferBytes = 16384;
constexpr std::size_t kId3HeaderBytes = 10;

// The bytes of an ID3v2 tag from its 10-byte header, footer included; 0 for
// no tag. The size is four 7-bit bytes.
int64_t Id3v2TagBytes(const uint8_t* header) {
  if (std::memcmp(header, "ID3", 3) != 0 || header[3] == 0xFF || header[4] == 0xFF) return 0;
  int64_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (header[i] & 0x80) return 0;
    size = size << 7 | header[i];
  }
  const bool footer = (header[5] & 0x10) != 0;
  return static_cast<int64_t>(kId3HeaderBytes) + size + (footer ? 10 : 0);
}

}  // namespace

Mp3FileReader::Mp3FileReader(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), buffer_(kBufferBytes) {
  if (!fd_.Valid()) return;
  MarkInUse(fd_.Get(), false);
  budget_ = std::max<int64_t>(FileSize(fd_.Get()) - kTailBytes, 0);
  uint8_t header[kId3HeaderBytes];
  if (Read(header, sizeof header)) start_ = std::min(Id3v2TagBytes(header), budget_);
  offset_ = start_;
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

void Mp3FileReader::SeekTo(int64_t offset) { offset_ = std::clamp<int64_t>(offset, start_, budget_); }
