#include "audio/LSupportedFormats.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "LCodecTestSupport.h"

using namespace codec_test;

TEST(LSupportedFormatsTest, NamesFindTheirTelephoneForm) {
  for (const char* name : {"PCM 16-bit", "A-law", "mu-law", "IMA ADPCM", "Microsoft ADPCM",
                           "GSM 6.10", "MP3", "PCM 8-bit", "PCM 24-bit", "PCM 32-bit"}) {
    const LSupportedFormat* entry = LSupportedFormats::FindByName(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->rate, 8000u) << name;
    EXPECT_EQ(entry->channels, 1) << name;
  }
  const LSupportedFormat* alaw = LSupportedFormats::FindByName("a-LAW");
  ASSERT_NE(alaw, nullptr);
  EXPECT_EQ(alaw->tag, 6);
  EXPECT_EQ(LSupportedFormats::FindByName("A-la"), nullptr);
  EXPECT_EQ(LSupportedFormats::FindByName(""), nullptr);
}

TEST(LSupportedFormatsTest, TupleLookupAndTableShape) {
  const LSupportedFormat* mulaw = LSupportedFormats::Find(7, 22050, 2, 8);
  ASSERT_NE(mulaw, nullptr);
  EXPECT_EQ(mulaw->name, "mu-law");
  EXPECT_EQ(LSupportedFormats::Find(0x31, 16000, 1, 0), nullptr);  // GSM is 8000 Hz only
  EXPECT_EQ(LSupportedFormats::Find(1, 8000, 1, 12), nullptr);
  std::set<std::tuple<uint16_t, uint32_t, uint16_t, uint16_t>> seen;
  for (const LSupportedFormat& entry : LSupportedFormats::All()) {
    EXPECT_TRUE(seen.insert({entry.tag, entry.rate, entry.channels, entry.bits}).second)
        << entry.name << " listed twice";
  }
  EXPECT_EQ(seen.size(), 91u);
}

TEST(LSupportedFormatsTest, EveryEntryFillsADescriptorOurCodecsTake) {
  for (const LSupportedFormat& entry : LSupportedFormats::All()) {
    LWaveFileFormat format;
    ASSERT_TRUE(LSupportedFormats::Fill(entry, format)) << entry.name;
    EXPECT_EQ(format.Tag(), entry.tag);
    EXPECT_EQ(format.SamplesPerSec(), entry.rate);
    EXPECT_EQ(format.Channels(), entry.channels);
    EXPECT_EQ(format.BitsPerSample(), entry.bits);
    EXPECT_GT(format.BlockAlign(), 0);
    EXPECT_GT(format.AvgBytesPerSec(), 0u);
    EXPECT_NE(Encoder(format), nullptr) << entry.name << " " << entry.rate;
  }
}

TEST(LSupportedFormatsTest, FillRefusesWhatNoCodecWrites) {
  LWaveFileFormat format;
  EXPECT_FALSE(LSupportedFormats::Fill({0x99, 8000, 1, 8, ""}, format));
  EXPECT_FALSE(LSupportedFormats::Fill({2, 8000, 3, 4, ""}, format));     // ADPCM is mono/stereo
  EXPECT_FALSE(LSupportedFormats::Fill({0x55, 9000, 1, 0, ""}, format));  // no such MP3 rate
  EXPECT_FALSE(LSupportedFormats::Fill({6, 8000, 1, 16, ""}, format));
  EXPECT_FALSE(LSupportedFormats::Fill({1, 0, 1, 16, ""}, format));
  // Combinations outside the table are fine where the codec has them.
  ASSERT_TRUE(LSupportedFormats::Fill({6, 12000, 1, 8, ""}, format));
  EXPECT_EQ(format.AvgBytesPerSec(), 12000u);
}
