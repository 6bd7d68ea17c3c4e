// Feeds arbitrary descriptors and data through the IMA ADPCM codec.
#include "fuzz_codec_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz_codec::Run({0x11}, data, size);
  return 0;
}
