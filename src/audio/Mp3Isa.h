#pragma once

// The instruction sets the decoder's inner loops are compiled for. Each
// loop is built for both; the AVX2 build runs only where the processor has
// it, and both give the same samples bit for bit.
enum class Mp3Isa { kBaseline, kAvx2 };

// The fastest set this processor runs.
Mp3Isa Mp3BestIsa();
