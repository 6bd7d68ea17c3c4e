// Feeds arbitrary descriptors and data through the A-law and mu-law codecs.
#include "fuzz_codec_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz_codec::Run({6, 7}, data, size);
  return 0;
}
