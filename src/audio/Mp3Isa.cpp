#include "audio/Mp3Isa.h"

Mp3Isa Mp3BestIsa() {
  static const Mp3Isa best = __builtin_cpu_supports("avx2") ? Mp3Isa::kAvx2 : Mp3Isa::kBaseline;
  return best;
}
