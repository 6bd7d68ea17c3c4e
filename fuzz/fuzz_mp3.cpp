// Opens arbitrary bytes as an MP3 file, decodes it through and seeks around:
// corrupt headers, side information and Huffman data must never crash, hang
// or read outside a buffer, and samples stay within the declared level.
#include <sys/mman.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/LMP3Source.h"
#include "core/FileIo.h"
#include "core/UniqueFd.h"

namespace {

constexpr int32_t kBlock = 8192;
constexpr int kMaxBlocks = 64;

void Require(bool condition) {
  if (!condition) std::abort();
}

void ReadBlock(LSoundSourceBase& source, std::vector<int32_t>& buffer, int32_t frames) {
  const int32_t before = source.GetPosition();
  source.Read(buffer.data(), frames);
  Require(source.GetPosition() == before + frames);
  for (std::size_t i = 0; i < static_cast<std::size_t>(frames) * source.Channels(); ++i) {
    Require(buffer[i] >= -static_cast<int32_t>(source.MaxLevel()) &&
            buffer[i] <= static_cast<int32_t>(source.MaxLevel()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  UniqueFd file(::memfd_create("fuzz_mp3", MFD_CLOEXEC));
  Require(file.Valid());
  Require(WriteFully(file.Get(), std::string_view(reinterpret_cast<const char*>(data), size)));
  LSoundSourceRef source = LMP3Source::Open("/proc/self/fd/" + std::to_string(file.Get()));
  std::vector<int32_t> buffer(static_cast<std::size_t>(kBlock) * source->Channels());
  if (source->IsError()) {
    ReadBlock(*source, buffer, 100);
    Require(source->GetEndSample() == 0);
    return 0;
  }
  for (int i = 0; i < kMaxBlocks && source->GetPosition() < source->GetEndSample(); ++i) {
    ReadBlock(*source, buffer, kBlock);
  }
  const int32_t end = source->GetEndSample();
  for (int32_t target : {end / 2, -50, end + 1000, 1}) {
    source->Seek(target);
    ReadBlock(*source, buffer, 2000);
  }
  return 0;
}
