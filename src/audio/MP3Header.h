#pragma once

#include <cstdint>

// One Layer III frame header. Free-format and forbidden bit rates, the
// reserved version and the reserved sampling frequency are rejected.
struct MP3Header {
  int32_t version = 0;     // 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5
  int32_t protection = 1;  // 0: a 16-bit CRC follows the header
  int32_t bitRate = 0;     // bits per second
  int32_t freqIndex = 0;   // 0..2
  int32_t padding = 0;
  int32_t mode = 0;  // 3 = single channel
  int32_t modeExtension = 0;

  static constexpr int kMono = 3;
  static constexpr int kJointStereo = 1;

  // Decodes 4 header bytes; false when they are no acceptable header.
  static bool Parse(const uint8_t* bytes, MP3Header& header);

  int32_t SampleRate() const;
  int Channels() const { return mode == kMono ? 1 : 2; }
  int Granules() const { return version == 0 ? 2 : 1; }
  int SamplesPerFrame() const { return version == 0 ? 1152 : 576; }
  // Frame bytes per (bit rate / sample rate): 144, or 72 for the low rates.
  int SlotFactor() const { return version == 0 ? 144 : 72; }
  // The whole frame, header included.
  int32_t FrameBytes() const { return SlotFactor() * bitRate / SampleRate() + padding; }
  int SideInfoBytes() const;
  // Same stream as `other`: version, sampling frequency and mono-or-not.
  bool Matches(const MP3Header& other) const;
  // Index 0..8 of the sample rate: 44.1, 48, 32, 22.05, 24, 16, 11.025, 12, 8 kHz.
  int RateIndex() const { return version * 3 + freqIndex; }
};
