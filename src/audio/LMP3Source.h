#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/LSoundSourceBase.h"
#include "audio/MP3Header.h"
#include "audio/Mp3FileReader.h"
#include "audio/Mp3FrameDecoder.h"

// An MPEG audio Layer III file decoded on demand (MPEG-1, MPEG-2 and
// MPEG-2.5 rates). The format comes from the first frame header; later
// frames of another version, rate or channel mode are skipped. The length is
// estimated from the average bit rate of the first 8 frames (exact for a
// constant bit rate), refined while decoding and exact once the last frame
// is decoded. Samples are in the
// chain scale and may exceed 16-bit full scale (MaxLevel is 4 times that).
class LMP3Source final : public LSoundSourceBase {
 public:
  static constexpr uint32_t kMaxLevel = 2097152;
  static constexpr int kSyncPositions = 16385;
  static constexpr int kMaxHeaderTries = 11;
  static constexpr int kWarmUpFrames = 4;

  // Opens `path`; a file that is no Layer III stream gives a source with
  // its error flag set (silence, end 0).
  explicit LMP3Source(const std::string& path);
  static LSoundSourceRef Open(const std::string& path) { return new LMP3Source(path); }

  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return end_; }
  void Seek(int32_t frame) override;

 private:
  enum class FrameResult { kDecoded, kSkipped, kEnd };

  bool DecodeInitialHeader();
  // The next acceptable header after a sync search; the CRC is skipped.
  bool ReadHeader(MP3Header& header);
  // The next header that matches the first one (up to 11 tries).
  bool DecodeHeader(MP3Header& header);
  // Reads and decodes the next frame in the file.
  FrameResult NextFrame();
  // The next frame that decodes, skipping unassemblable ones.
  bool DecodeFrame();
  void RefineEnd();

  Mp3FileReader file_;
  MP3Header first_;
  double averageFrameBytes_ = 1.0;
  int32_t samplesPerFrame_ = 1152;
  int32_t position_ = 0;
  int32_t end_ = 0;
  int64_t producedEnd_ = 0;  // output frame at the end of the decoded frame
  int32_t frameFrames_ = 0;  // frames in pcm_
  int32_t cursor_ = 0;       // frames of pcm_ already delivered
  std::unique_ptr<Mp3FrameDecoder> decoder_;
  std::array<int32_t, Mp3FrameDecoder::kMaxFrameSamples> pcm_{};
  std::array<uint8_t, 4096> frame_{};
};
