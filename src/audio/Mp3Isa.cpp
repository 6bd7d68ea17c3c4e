#include "audio/Mp3Isa.h"

Mp3Isa Mp3BestIsa() {
#if defined(__x86_64__) || defined(__i386__)
  static const Mp3Isa best = __builtin_cpu_supports("avx2") ? Mp3Isa::kAvx2 : Mp3Isa::kBaseline;
  return best;
#else
  return Mp3Isa::kBaseline;
#endif
}
