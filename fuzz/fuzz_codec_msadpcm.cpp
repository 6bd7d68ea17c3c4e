// Feeds arbitrary descriptors and data through the Microsoft ADPCM codec.
#include "fuzz_codec_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz_codec::Run({2}, data, size);
  return 0;
}
