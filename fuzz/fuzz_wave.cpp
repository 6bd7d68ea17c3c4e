// Opens arbitrary bytes as a WAVE file, reads it through and seeks around:
// lying chunk and data sizes must never crash, hang or allocate without bound.
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/LWaveFile.h"
#include "core/FileIo.h"
#include "core/UniqueFd.h"

namespace {

constexpr int32_t kBlock = 8192;
constexpr int kMaxBlocks = 24;  // a lying data size may promise 2^31 frames

void Require(bool condition) {
  if (!condition) std::abort();
}

void ReadBlock(LSoundSourceBase& source, std::vector<int32_t>& buffer, int32_t frames) {
  const int32_t before = source.GetPosition();
  source.Read(buffer.data(), frames);
  if (before <= INT32_MAX - frames) Require(source.GetPosition() == before + frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  UniqueFd file(::memfd_create("fuzz_wave", MFD_CLOEXEC));
  Require(file.Valid());
  Require(WriteFully(file.Get(), std::string_view(reinterpret_cast<const char*>(data), size)));
  LSoundSourceRef source = LWaveFile::OpenSource("/proc/self/fd/" + std::to_string(file.Get()));
  if (source->IsError()) return 0;

  std::vector<int32_t> buffer(static_cast<std::size_t>(kBlock) * source->Channels());
  for (int i = 0; i < kMaxBlocks && source->GetPosition() < source->GetEndSample(); ++i) {
    ReadBlock(*source, buffer, kBlock);
  }
  const int32_t end = source->GetEndSample();
  Require(end >= 0);
  const int32_t pastEnd = end > INT32_MAX - 10 ? INT32_MAX : end + 10;
  for (int32_t frame : {end / 2, -100, 1, end - 1, pastEnd, 0, INT32_MAX - 10, INT32_MIN, 777}) {
    source->Seek(frame);
    Require(source->GetPosition() == frame);
    ReadBlock(*source, buffer, frame % 3 == 0 ? kBlock : 333);
    source->GetEndSample();
    source->IsStreaming();
  }
  return 0;
}
