#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/LCodecG711.h"
#include "audio/LWaveFileFormat.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

std::string Bytes(const LWaveFileFormat& format) {
  return std::string(reinterpret_cast<const char*>(format.Data()), format.Size());
}

TEST(WaveFileFormat, PresetsAndPlainPcmDescriptors) {
  EXPECT_EQ(Bytes(LWaveFileFormat()),
            Le16(1) + Le16(1) + Le32(8000) + Le32(16000) + Le16(2) + Le16(16) + Le16(0));
  EXPECT_EQ(Bytes(LWaveFileFormat(8)),
            Le16(1) + Le16(1) + Le32(8000) + Le32(8000) + Le16(1) + Le16(8) + Le16(0));
  const LWaveFileFormat stereo24 = LWaveFileFormat::Pcm(44100, 2, 24);
  EXPECT_EQ(stereo24.BlockAlign(), 6);
  EXPECT_EQ(stereo24.AvgBytesPerSec(), 264600u);
  EXPECT_EQ(stereo24.BitsPerSample(), 24);
  EXPECT_EQ(stereo24.Size(), 18u);
}

TEST(WaveFileFormat, AssignKeepsOnlyExtraBytesTheChunkHolds) {
  LWaveFileFormat format;
  EXPECT_FALSE(format.Assign(reinterpret_cast<const uint8_t*>("short"), 13));

  std::string chunk = FmtBody(0x11, 2, 22050, 4, 16);
  ASSERT_TRUE(format.Assign(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size()));
  EXPECT_EQ(format.Tag(), 0x11);
  EXPECT_EQ(format.Channels(), 2);
  EXPECT_EQ(format.SamplesPerSec(), 22050u);
  EXPECT_EQ(format.ExtraSize(), 0);

  chunk = FmtBody(0x11, 1, 8000, 4, 18) + "\xF9\x01";
  chunk[16] = 2;  // extra size 2: samples per block 505
  ASSERT_TRUE(format.Assign(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size()));
  EXPECT_EQ(format.ExtraSize(), 2);
  EXPECT_EQ(format.Extra()[0], 0xF9);

  chunk[16] = 50;  // claims more than the chunk holds
  ASSERT_TRUE(format.Assign(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size()));
  EXPECT_EQ(format.ExtraSize(), 2);
  EXPECT_EQ(format.Size(), 20u);

  std::vector<uint8_t> huge(8192, 0);
  huge[16] = 0xFF;
  huge[17] = 0xFF;
  ASSERT_TRUE(format.Assign(huge.data(), huge.size()));
  EXPECT_EQ(format.Size(), LWaveFileFormat::kBufferSize);

  const uint8_t extra[3] = {1, 2, 3};
  EXPECT_TRUE(format.SetExtra(extra, 3));
  EXPECT_EQ(format.Size(), 21u);
  EXPECT_FALSE(format.SetExtra(huge.data(), 1007));
}

TEST(WaveFileFormat, WffFilesAreTheWholeBuffer) {
  TempDir dir;
  const std::string path = dir / "format.wff";
  LWaveFileFormat alaw = LWaveFileFormat::Pcm(8000, 1, 8);
  alaw.SetTag(LCodecG711::kTagALaw);
  ASSERT_TRUE(alaw.WriteWff(path));
  const std::string file = ReadBytes(path);
  ASSERT_EQ(file.size(), LWaveFileFormat::kBufferSize);
  EXPECT_EQ(file.substr(0, 18), Bytes(alaw));
  EXPECT_EQ(file.find_first_not_of('\0', 18), std::string::npos);

  LWaveFileFormat read(8);
  read.ReadWff(path);
  EXPECT_EQ(Bytes(read), Bytes(alaw));

  // Missing and short files leave the preset in place beyond what they hold.
  LWaveFileFormat preset;
  preset.ReadWff(dir / "missing.wff");
  EXPECT_EQ(Bytes(preset), Bytes(LWaveFileFormat()));
  WriteBytes(path, Le16(7) + Le16(2));
  preset.ReadWff(path);
  EXPECT_EQ(preset.Tag(), 7);
  EXPECT_EQ(preset.Channels(), 2);
  EXPECT_EQ(preset.SamplesPerSec(), 8000u);

  EXPECT_FALSE(alaw.WriteWff(dir / "no/such/dir.wff"));
}

TEST(WaveFileFormat, TestSupportedRecordAsksTheCodecs) {
  EXPECT_TRUE(LWaveFileFormat().TestSupportedRecord());
  EXPECT_TRUE(LWaveFileFormat(8).TestSupportedRecord());
  EXPECT_TRUE(LWaveFileFormat::Pcm(44100, 2, 16).TestSupportedRecord());
  EXPECT_FALSE(LWaveFileFormat::Pcm(8000, 1, 24).TestSupportedRecord());  // no 24-bit sink
  EXPECT_FALSE(LWaveFileFormat::Pcm(8000, 0, 16).TestSupportedRecord());

  LWaveFileFormat alaw = LWaveFileFormat::Pcm(8000, 1, 8);
  alaw.SetTag(LCodecG711::kTagALaw);
  EXPECT_TRUE(alaw.TestSupportedRecord());
  alaw.SetTag(0x7777);
  EXPECT_FALSE(alaw.TestSupportedRecord());
}

}  // namespace
