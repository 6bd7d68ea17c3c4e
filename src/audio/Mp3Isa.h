#pragma once

// The instruction sets the decoder's vector loops (synthesis filter bank,
// IMDCT) are compiled for. Each loop is built for both; the AVX2 build runs
// only where the processor has it, and both give the same samples bit for bit.
enum class Mp3Isa { kBaseline, kAvx2 };

// The fastest set this processor runs.
Mp3Isa Mp3BestIsa();

// Marks the AVX2 build of a loop, as in [[ZAVOTEL_MP3_AVX2]]. Other
// processors compile it for their baseline and never choose it.
#if defined(__x86_64__) || defined(__i386__)
#define ZAVOTEL_MP3_AVX2 gnu::target("avx2")
#else
#define ZAVOTEL_MP3_AVX2
#endif

// Vectors of 4 floats, which every processor's baseline handles, and of 8,
// one AVX register: the AVX2 builds take the wider.
using Mp3Lanes4 = float __attribute__((vector_size(4 * sizeof(float))));
using Mp3Lanes8 = float __attribute__((vector_size(8 * sizeof(float))));
