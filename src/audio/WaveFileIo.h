#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>
#include "core/FileIo.h"

class LWaveFileFormat;

// File helpers shared by the WAVE sources and sinks.

// The data size a writer stores while the file is still being written.
inline constexpr uint32_t kWaveStreamingSize = 0xFFFFFFFF;
// Frames per block in every pump; the file buffers hold one block.
inline constexpr int32_t kWaveBlockFrames = 8192;

// Frame counts saturate at the 32-bit limits instead of wrapping.
int32_t ClampFrames(int64_t frames);

// One Read of a WAVE source: moves `position` on by `frames`, then the frames
// before frame 0 (all of them after a failure) are silence, `fetch(out,
// count)` fills the other `count` from the file and returns the samples it
// filled, and whatever it left is silence too.
template <class Fetch>
void ReadWaveFrames(int32_t* buffer, int32_t frames, int channels, bool failed, int32_t& position,
                    Fetch fetch) {
  position = ClampFrames(static_cast<int64_t>(position) + frames);
  const auto width = static_cast<std::size_t>(channels);
  int32_t* const stop = buffer + static_cast<std::size_t>(frames) * width;
  if (failed || position <= 0) {
    std::fill(buffer, stop, 0);
    return;
  }
  const int32_t lead = frames > position ? frames - position : 0;
  int32_t* const out = buffer + static_cast<std::size_t>(lead) * width;
  std::fill(buffer, out, 0);
  const std::size_t filled = fetch(out, frames - lead);
  std::fill(out + filled, stop, 0);
}

// "RIFF", "WAVE", "fmt " holding `format` (padded to even), then the "data"
// chunk header. Both sizes are the streaming marker when `dataSize` is.
std::vector<uint8_t> WaveHeader(const LWaveFileFormat& format, uint32_t dataSize);
// The largest data size, a multiple of `blockAlign`, whose sizes still fit in
// the header without reaching the streaming marker.
uint32_t WaveMaxDataSize(const LWaveFileFormat& format, uint32_t blockAlign);
// Writes WaveHeader at the start of the file and restores the file offset.
bool WriteWaveHeader(int fd, const LWaveFileFormat& format, uint32_t dataSize);

// Reading a WAVE file's RIFF layout from an open descriptor. Each leaves the
// file offset just after what it found.
struct WaveChunkHeader {
  char id[4];
  uint32_t size;
};
// Skips chunks up to and including the "RIFF" chunk of form "WAVE", leaving
// the file at its first sub-chunk.
bool FindWaveForm(int fd);
// Skips other chunks until `id`, leaving the file at its data. Sizes of 2 GiB
// and more are taken as corrupt.
bool FindWaveChunk(int fd, const char* id, WaveChunkHeader& header);
// The next "fmt " chunk, other chunks before it skipped.
bool ReadWaveFmtChunk(int fd, LWaveFileFormat& format);
