#include "audio/WaveFileIo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"
#include "core/FileIo.h"

int32_t ClampFrames(int64_t frames) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(frames > kMax ? kMax : (frames < kMin ? kMin : frames));
}

namespace {

std::size_t PaddedFmtSize(const LWaveFileFormat& format) { return (format.Size() + 1) & ~std::size_t{1}; }

// Everything before the samples: 46 bytes for a plain PCM descriptor.
std::size_t HeaderBytes(const LWaveFileFormat& format) { return 28 + PaddedFmtSize(format); }

void PutId(uint8_t* p, const char* id) { std::memcpy(p, id, 4); }

}  // namespace

std::vector<uint8_t> WaveHeader(const LWaveFileFormat& format, uint32_t dataSize) {
  const std::size_t size = HeaderBytes(format);
  std::vector<uint8_t> header(size, 0);
  const bool streaming = dataSize == kWaveStreamingSize;
  PutId(&header[0], "RIFF");
  StoreLe32(&header[4], streaming ? kWaveStreamingSize : static_cast<uint32_t>(size - 8 + dataSize));
  PutId(&header[8], "WAVE");
  PutId(&header[12], "fmt ");
  StoreLe32(&header[16], static_cast<uint32_t>(format.Size()));
  std::memcpy(&header[20], format.Data(), format.Size());
  PutId(&header[size - 8], "data");
  StoreLe32(&header[size - 4], dataSize);
  return header;
}

uint32_t WaveMaxDataSize(const LWaveFileFormat& format, uint32_t blockAlign) {
  const uint32_t most = kWaveStreamingSize - 1 - static_cast<uint32_t>(HeaderBytes(format) - 8);
  const uint32_t align = blockAlign == 0 ? 1 : blockAlign;
  return most - most % align;
}

bool WriteWaveHeader(int fd, const LWaveFileFormat& format, uint32_t dataSize) {
  const std::vector<uint8_t> header = WaveHeader(format, dataSize);
  const off_t offset = ::lseek(fd, 0, SEEK_CUR);
  if (offset < 0 || ::lseek(fd, 0, SEEK_SET) != 0) return false;
  const bool written =
      WriteFully(fd, std::string_view(reinterpret_cast<const char*>(header.data()), header.size()));
  return ::lseek(fd, offset, SEEK_SET) == offset && written;
}

namespace {

constexpr uint32_t kMinFmtSize = 14;
constexpr uint32_t kMaxFmtSize = 8192;

bool IsId(const char* id, const char* expected) { return std::memcmp(id, expected, 4) == 0; }

// RIFF chunk data is padded to an even length.
uint64_t Padded(uint32_t size) { return (static_cast<uint64_t>(size) + 1) & ~uint64_t{1}; }

bool Skip(int fd, uint64_t bytes) {
  return ::lseek(fd, static_cast<off_t>(bytes), SEEK_CUR) >= 0;
}

bool ReadHeader(int fd, WaveChunkHeader& header) {
  uint8_t raw[8];
  if (ReadUpTo(fd, raw, sizeof raw) != sizeof raw) return false;
  std::memcpy(header.id, raw, 4);
  header.size = LoadLeU32(raw + 4);
  return true;
}

}  // namespace

bool FindWaveForm(int fd) {
  for (;;) {
    uint8_t raw[12];
    if (ReadUpTo(fd, raw, sizeof raw) != sizeof raw) return false;
    const char* id = reinterpret_cast<const char*>(raw);
    if (IsId(id, "RIFF") && IsId(id + 8, "WAVE")) return true;
    const uint64_t size = Padded(LoadLeU32(raw + 4));
    if (size <= 4 || !Skip(fd, size - 4)) return false;
  }
}

bool FindWaveChunk(int fd, const char* id, WaveChunkHeader& header) {
  for (;;) {
    if (!ReadHeader(fd, header)) return false;
    if (IsId(header.id, id)) return true;
    const uint64_t size = Padded(header.size);
    if (size > INT32_MAX || !Skip(fd, size)) return false;
  }
}

bool ReadWaveFmtChunk(int fd, LWaveFileFormat& format) {
  WaveChunkHeader header{};
  if (!FindWaveChunk(fd, "fmt ", header)) return false;
  if (header.size < kMinFmtSize || header.size > kMaxFmtSize) return false;
  std::vector<uint8_t> bytes(header.size);
  if (ReadUpTo(fd, bytes.data(), bytes.size()) != bytes.size()) return false;
  // An odd-sized chunk is followed by a pad byte before the next header.
  if ((header.size & 1) != 0 && !Skip(fd, 1)) return false;
  return format.Assign(bytes.data(), bytes.size()) && format.UnwrapExtensible();
}
