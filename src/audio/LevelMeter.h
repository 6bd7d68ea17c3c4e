#pragma once

#include <cstdint>

// Level measures of blocks of chain samples (16-bit full scale = 524272),
// shared by the peak limiter, the compressor, the rate converter and
// automatic gain control. Empty blocks measure 0.

// The largest absolute sample value of count samples.
uint32_t PeakLevel(const int32_t* samples, int32_t count);
// The same over one channel of interleaved frames: every channels-th sample
// starting at channel, frames samples in all.
uint32_t PeakLevel(const int32_t* samples, int32_t frames, int channels, int channel);

// The mean of (x >> 5)^2, rounded down, in the scale of those squares.
uint64_t MeanSquareLevel(const int32_t* samples, int32_t count);
uint64_t MeanSquareLevel(const int32_t* samples, int32_t frames, int channels, int channel);

// A mean square in whole dB relative to 8388626, rounded half away from zero
// and clamped to -127..127; silence (0) is -127.
int MeanSquareDb(uint64_t meanSquare);
