#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "PumpTestSupport.h"
#include "WaveTestFiles.h"
#include "audio/LCodecG711.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LPRSourceToSink.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

LWaveFileFormat Codec(uint16_t tag, uint32_t rate, uint16_t channels, uint16_t bits) {
  LWaveFileFormat format;
  EXPECT_TRUE(LSupportedFormats::Fill({tag, rate, channels, bits, ""}, format));
  return format;
}

// A tone that changes from frame to frame, in chain samples.
std::vector<int32_t> Tone(int32_t frames, int channels) {
  std::vector<int32_t> samples;
  for (int32_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      samples.push_back(static_cast<int32_t>(std::lround(12000 * std::sin(f * 0.05 + c))) * 16);
    }
  }
  return samples;
}

std::vector<int32_t> Slice(const std::vector<int32_t>& all, int32_t from, int32_t frames,
                           int channels) {
  std::vector<int32_t> out;
  for (int32_t f = from; f < from + frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const bool inside = f >= 0 && static_cast<std::size_t>(f) * channels < all.size();
      out.push_back(inside ? all[static_cast<std::size_t>(f) * channels + c] : 0);
    }
  }
  return out;
}

class CodecWave : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_ / "codec.wav";
};

TEST_F(CodecWave, TwentyFourBitPcmIsDecodedThroughTheCodecAndPumpedWhole) {
  const int32_t frames = 10000;
  std::string data;
  for (int32_t f = 0; f < frames; ++f) {
    for (int c = 0; c < 2; ++c) {
      const auto v16 = static_cast<int16_t>(f * 3 - c * 7000);
      data += std::string(1, '\0') + Le16(static_cast<uint16_t>(v16));  // v16 * 256 in 24 bits
    }
  }
  WriteBytes(path_, WaveFile(2, 8000, 24, data));
  LSoundSourceRef source = LWaveFile::OpenSource(path_);
  ASSERT_FALSE(source->IsError());
  EXPECT_EQ(source->Channels(), 2);
  EXPECT_GT(source->GetEndSample(), 9000);  // an estimate until the end is read

  CollectSink* collected = new CollectSink(8000, 2);
  LSoundSinkRef sink = collected;
  RecordingProgress progress;
  EXPECT_EQ(LPRSourceToSink("Convert", source, sink).Process(progress), kProcessDone);
  ASSERT_EQ(collected->samples.size(), static_cast<std::size_t>(frames) * 2);
  for (int32_t f = 0; f < frames; f += 1237) {
    EXPECT_EQ(collected->samples[2 * f], static_cast<int16_t>(f * 3) * 16);
    EXPECT_EQ(collected->samples[2 * f + 1], static_cast<int16_t>(f * 3 - 7000) * 16);
  }
  EXPECT_EQ(source->GetEndSample(), frames);
}

TEST_F(CodecWave, ALawSinkWritesAStreamingFileThatDecodesBack) {
  const LWaveFileFormat alaw = Codec(LCodecG711::kTagALaw, 8000, 1, 8);
  const std::vector<int32_t> tone = Tone(1000, 1);
  LSoundSinkRef sink = LWaveFile::OpenSink(path_, alaw);
  ASSERT_TRUE(sink && !sink->IsError());
  sink->Write(tone.data(), 1000);
  const std::string fmt = std::string(reinterpret_cast<const char*>(alaw.Data()), alaw.Size());
  const std::string head = "RIFF" + Le32(0xFFFFFFFF) + "WAVE" + "fmt " + Le32(18) + fmt;
  EXPECT_EQ(ReadBytes(path_).substr(0, 46), head + "data" + Le32(0xFFFFFFFF));

  LSoundSourceRef growing = LWaveFile::OpenSource(path_);
  EXPECT_TRUE(growing->IsStreaming());
  EXPECT_EQ(growing->GetEndSample(), 999);  // one codec block short of what is on disk
  sink = LSoundSinkRef();
  growing->GetEndSample();
  EXPECT_FALSE(growing->IsStreaming());
  const std::string file = ReadBytes(path_);
  EXPECT_EQ(file.size(), 46u + 1000u);
  EXPECT_EQ(file.substr(0, 46), "RIFF" + Le32(1038) + "WAVE" + "fmt " + Le32(18) + fmt + "data" +
                                    Le32(1000));

  LSoundSourceRef source = LWaveFile::OpenSource(path_);
  ASSERT_FALSE(source->IsError());
  EXPECT_FALSE(source->IsStreaming());
  const std::vector<int32_t> decoded = ReadFrames(*source, 1002);
  for (int32_t f = 0; f < 1000; f += 37) {
    const int16_t v = ChainTo16(tone[f]);
    EXPECT_EQ(decoded[f], LCodecG711::LinearFromALaw(LCodecG711::ALawFromLinear(v)) * 16);
  }
  EXPECT_EQ(decoded[1000], 0);
  EXPECT_EQ(source->GetEndSample(), 1000);
}

TEST_F(CodecWave, SeekInsideAnAdpcmBlockLandsExactly) {
  const LWaveFileFormat ima = Codec(LCodecImaAdpcm::kTag, 8000, 2, 4);
  ASSERT_GT(ima.BlockAlign(), 4 * 2);
  const std::vector<int32_t> tone = Tone(20000, 2);
  LWaveFile::OpenSink(path_, ima)->Write(tone.data(), 20000);

  LSoundSourceRef source = LWaveFile::OpenSource(path_);
  ASSERT_FALSE(source->IsError());
  std::vector<int32_t> all = ReadFrames(*source, 24000);
  const int32_t end = source->GetEndSample();
  EXPECT_GE(end, 20000);
  EXPECT_LT(end, 20000 + 1024);
  all.resize(static_cast<std::size_t>(end) * 2);

  for (int32_t frame : {0, 1, 504, 505, 506, 1000, 12345, 19999, end - 1}) {
    source->Seek(frame);
    EXPECT_EQ(source->GetPosition(), frame);
    EXPECT_EQ(ReadFrames(*source, 300), Slice(all, frame, 300, 2)) << "frame " << frame;
  }
  source->Seek(-20);
  EXPECT_EQ(ReadFrames(*source, 50), Slice(all, -20, 50, 2));
  source->Seek(end + 5000);
  EXPECT_EQ(ReadFrames(*source, 10), Slice(all, end + 5000, 10, 2));
  EXPECT_LE(source->GetEndSample(), source->GetPosition());
}

TEST_F(CodecWave, FormatsWithoutACodecGiveTheNullSource) {
  WriteBytes(path_, Riff(Chunk("fmt ", FmtBody(0x7777, 1, 8000, 8)) + Chunk("data", "abcd")));
  EXPECT_TRUE(LWaveFile::OpenSource(path_)->IsError());
  LWaveFileFormat unknown = LWaveFileFormat::Pcm(8000, 1, 8);
  unknown.SetTag(0x7777);
  LSoundSinkRef sink = LWaveFile::OpenSink(path_, unknown);
  ASSERT_TRUE(sink);
  EXPECT_TRUE(sink->IsError());
}

}  // namespace
