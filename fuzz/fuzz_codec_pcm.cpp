// Feeds arbitrary descriptors and data through the wide linear PCM codec.
#include "fuzz_codec_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz_codec::Run({LWaveFileFormat::kTagPcm}, data, size);
  return 0;
}
