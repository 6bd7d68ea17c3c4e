// WAVE format descriptors: reading them from "fmt " chunks and .wff files,
// and the table of formats our codecs write.
#include <gtest/gtest.h>

#include <tuple>

#include "LCodecTestSupport.h"
#include "WaveTestFiles.h"
#include "audio/LCodecG711.h"
#include "audio/LCodecGsm.h"
#include "audio/LCodecMp3.h"
#include "audio/LCodecMsAdpcm.h"
#include "support/TempDir.h"

using namespace codec_test;
using namespace wave_test;

namespace {

std::string Bytes(const LWaveFileFormat& format) {
  return std::string(reinterpret_cast<const char*>(format.Data()), format.Size());
}

bool Assign(LWaveFileFormat& format, const std::string& chunk) {
  return format.Assign(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
}

TEST(LWaveFileFormat, AssignKeepsOnlyTheExtraBytesTheChunkHolds) {
  LWaveFileFormat format;
  EXPECT_FALSE(Assign(format, "thirteen byte"));
  std::string chunk = FmtBody(0x11, 1, 8000, 4, 18) + "\xF9\x01";
  chunk[16] = 50;  // claims more than the chunk holds
  ASSERT_TRUE(Assign(format, chunk));
  EXPECT_TRUE(format.Tag() == 0x11 && format.ExtraSize() == 2 && format.Extra()[0] == 0xF9);
  std::string huge(8192, '\0');
  huge[16] = huge[17] = '\xFF';
  EXPECT_TRUE(Assign(format, huge) && format.Size() == LWaveFileFormat::kBufferSize);
  EXPECT_FALSE(format.SetExtra(reinterpret_cast<const uint8_t*>(huge.data()), 1007));
}

TEST(LWaveFileFormat, WffFilesAreTheWholeBufferAndShortOnesKeepThePreset) {
  TempDir dir;
  const std::string path = dir / "format.wff";
  const LWaveFileFormat alaw = Described(LCodecG711::kTagALaw, 8000, 1, 8);
  ASSERT_TRUE(alaw.WriteWff(path));
  EXPECT_EQ(FileText(path), Bytes(alaw) + std::string(LWaveFileFormat::kBufferSize - 18, '\0'));
  LWaveFileFormat read(8), preset;
  read.ReadWff(path);
  EXPECT_EQ(Bytes(read), Bytes(alaw));
  WriteBytes(path, Le16(7) + Le16(2));
  preset.ReadWff(path);
  EXPECT_EQ(Bytes(preset), Le16(7) + Le16(2) + Bytes(LWaveFileFormat()).substr(4));
  preset.ReadWff(dir / "missing.wff");
  EXPECT_EQ(preset.Tag(), 7) << "a missing file changes nothing";
  EXPECT_FALSE(alaw.WriteWff(dir / "no/such/dir.wff"));
}

TEST(LSupportedFormats, LookupsByNameInAnyCaseAndByShape) {
  for (auto [name, tag] : {std::pair<const char*, uint16_t>{"pcm 16-BIT", 1}, {"a-LAW", LCodecG711::kTagALaw},
                           {"Microsoft ADPCM", LCodecMsAdpcm::kTag}, {"GSM 6.10", LCodecGsm::kTag},
                           {"MP3", LCodecMp3::kTag}}) {
    const LSupportedFormat* entry = LSupportedFormats::FindByName(name);
    EXPECT_TRUE(entry && entry->rate == 8000 && entry->channels == 1 && entry->tag == tag) << name;
  }
  EXPECT_EQ(LSupportedFormats::FindByName("A-la"), nullptr);
  const LSupportedFormat* mulaw = LSupportedFormats::Find(LCodecG711::kTagMuLaw, 22050, 2, 8);
  // GSM is 8000 Hz only.
  EXPECT_TRUE(mulaw && mulaw->name == std::string_view("mu-law") && !LSupportedFormats::Find(LCodecGsm::kTag, 16000, 1, 0));
}

TEST(LSupportedFormats, FillAndRecordTestRefuseWhatNoCodecWrites) {
  LWaveFileFormat format;
  for (const LSupportedFormat& refused :
       {LSupportedFormat{0x99, 8000, 1, 8, ""}, {LCodecMsAdpcm::kTag, 8000, 3, 4, ""},
        {LCodecMp3::kTag, 9000, 1, 0, ""}, {LCodecGsm::kTag, 8000, 2, 0, ""},
        {LCodecG711::kTagALaw, 8000, 1, 16, ""}, {LWaveFileFormat::kTagPcm, 0, 1, 16, ""}}) {
    EXPECT_FALSE(LSupportedFormats::Fill(refused, format)) << refused.tag << " " << refused.rate;
  }
  // Combinations outside the table are fine where the codec has them.
  ASSERT_TRUE(LSupportedFormats::Fill({LCodecG711::kTagALaw, 12000, 1, 8, ""}, format));
  EXPECT_TRUE(format.AvgBytesPerSec() == 12000u && format.TestSupportedRecord() &&
              LWaveFileFormat(8).TestSupportedRecord());
  format.SetTag(0x7777);
  EXPECT_FALSE(LWaveFileFormat::Pcm(8000, 1, 12).TestSupportedRecord() ||
               LWaveFileFormat::Pcm(8000, 0, 16).TestSupportedRecord() || format.TestSupportedRecord());
}

}  // namespace
