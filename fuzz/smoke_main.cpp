// Runs a fuzz target without libFuzzer, for the test suite's sanitizer build:
// every seed as it is, then variations of the seeds (bytes changed, added,
// removed, repeated, cut short, two seeds joined) drawn from a fixed random
// sequence, so a failing run repeats. It stops after RUNS inputs or SECONDS,
// whichever comes first. Real fuzzing uses the libFuzzer build.
//   fuzz_NAME_smoke SEED-FOLDER [RUNS] [SECONDS]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/FileIo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<uint8_t>;
constexpr std::size_t kLargestInput = 1 << 20;

std::vector<Bytes> ReadSeeds(const std::filesystem::path& folder) {
  std::vector<Bytes> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::optional<std::string> text = ReadFileText(entry.path(), kLargestInput);
    if (text) seeds.emplace_back(text->begin(), text->end());
  }
  return seeds;
}

class Mutator {
 public:
  explicit Mutator(const std::vector<Bytes>& seeds) : seeds_(seeds) {}

  Bytes Next() {
    Bytes input = seeds_[Below(seeds_.size())];
    const std::size_t edits = 1 + Below(8);
    for (std::size_t n = 0; n < edits; ++n) Edit(input);
    if (input.size() > kLargestInput) input.resize(kLargestInput);
    return input;
  }

 private:
  std::size_t Below(std::size_t n) { return n ? random_() % n : 0; }
  uint8_t AnyByte() { return static_cast<uint8_t>(random_()); }

  void Edit(Bytes& input) {
    const std::size_t at = Below(input.size() + 1);
    const std::size_t length = 1 + Below(input.empty() ? 8 : std::min<std::size_t>(input.size(), 64));
    switch (Below(7)) {
      case 0:  // one bit flipped
        if (at < input.size()) input[at] ^= static_cast<uint8_t>(1u << Below(8));
        break;
      case 1:  // one byte set to a value parsers like to trip on
        if (at < input.size()) input[at] = std::array<uint8_t, 6>{0, 1, 0x7f, 0x80, 0xff, AnyByte()}[Below(6)];
        break;
      case 2:  // random bytes added
        for (std::size_t i = 0; i < length; ++i) input.insert(input.begin() + at, AnyByte());
        break;
      case 3:  // a stretch removed
        input.erase(input.begin() + at, input.begin() + std::min(input.size(), at + length));
        break;
      case 4: {  // a stretch repeated
        const Bytes piece(input.begin() + at, input.begin() + std::min(input.size(), at + length));
        input.insert(input.begin() + Below(input.size() + 1), piece.begin(), piece.end());
        break;
      }
      case 5:  // cut short
        input.resize(at);
        break;
      default: {  // the end replaced by another seed's end
        const Bytes& other = seeds_[Below(seeds_.size())];
        input.resize(at);
        input.insert(input.end(), other.begin() + Below(other.size() + 1), other.end());
      }
    }
  }

  const std::vector<Bytes>& seeds_;
  std::mt19937 random_{1};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SEED-FOLDER [RUNS] [SECONDS]\n", argv[0]);
    return 2;
  }
  std::vector<Bytes> seeds = ReadSeeds(argv[1]);
  if (seeds.empty()) seeds.emplace_back();
  const long runs = argc > 2 ? std::atol(argv[2]) : 20000;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(argc > 3 ? std::atol(argv[3]) : 10);
  for (const Bytes& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());
  Mutator mutator(seeds);
  long done = 0;
  while (done < runs && std::chrono::steady_clock::now() < end) {
    const Bytes input = mutator.Next();
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ++done;
  }
  std::printf("%zu seeds and %ld variations ran\n", seeds.size(), done);
  return 0;
}
