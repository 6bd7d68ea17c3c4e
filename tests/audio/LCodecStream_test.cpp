#include "audio/LCodecStream.h"

#include <gtest/gtest.h>

#include <random>

#include "LCodecTestSupport.h"
#include "audio/LCodecGsm.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LCodecMp3.h"

using namespace codec_test;
using Mode = LCodecStream::Mode;

namespace {

struct Step {
  uint32_t used = 0;
  uint32_t produced = 0;
  bool ok = false;
  std::vector<uint8_t> out;
};

Step Convert(LCodecStream& stream, const std::vector<uint8_t>& in, uint32_t room, Mode mode) {
  Step step;
  step.out.resize(room);
  step.ok = stream.Convert(in.data(), static_cast<uint32_t>(in.size()), step.used, step.out.data(),
                           room, step.produced, mode);
  step.out.resize(step.produced);
  return step;
}

std::vector<uint8_t> Noise(std::size_t bytes, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> data(bytes);
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  return data;
}

}  // namespace

TEST(LCodecStreamTest, OpensOnlyPairsWithSixteenBitPcmOfTheSameShape) {
  const LWaveFileFormat alaw = Described(6, 8000, 1, 8);
  const LWaveFileFormat mulaw = Described(7, 8000, 1, 8);
  EXPECT_NE(LCodecStream::Open(alaw, LWaveFileFormat::Pcm(8000, 1, 16)), nullptr);
  EXPECT_EQ(LCodecStream::Open(alaw, LWaveFileFormat::Pcm(11025, 1, 16)), nullptr);
  EXPECT_EQ(LCodecStream::Open(alaw, LWaveFileFormat::Pcm(8000, 2, 16)), nullptr);
  EXPECT_EQ(LCodecStream::Open(alaw, LWaveFileFormat::Pcm(8000, 1, 8)), nullptr);
  EXPECT_EQ(LCodecStream::Open(alaw, mulaw), nullptr);
  LWaveFileFormat odd = LWaveFileFormat::Pcm(8000, 1, 16);
  odd.SetBlockAlign(4);
  EXPECT_EQ(LCodecStream::Open(alaw, odd), nullptr);

  for (uint32_t rate : {0u, 196001u}) {
    LWaveFileFormat bad = alaw;
    bad.SetSamplesPerSec(rate);
    EXPECT_EQ(Decoder(bad), nullptr) << rate;
  }
  LWaveFileFormat none = alaw;
  none.SetChannels(0);
  none.SetBlockAlign(0);
  EXPECT_EQ(Decoder(none), nullptr);
  LWaveFileFormat unknown = alaw;
  unknown.SetTag(0x99);
  EXPECT_EQ(Decoder(unknown), nullptr);
  // MP3 is encoded only.
  EXPECT_EQ(Decoder(Described(LCodecMp3::kTag, 8000, 1, 0)), nullptr);
  EXPECT_NE(Encoder(Described(LCodecMp3::kTag, 8000, 1, 0)), nullptr);
}

TEST(LCodecStreamTest, BlockAlignKeepsTheRestAndEndPadsTheLastBlock) {
  const LWaveFileFormat ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  auto encoder = Encoder(ima);
  ASSERT_NE(encoder, nullptr);
  const std::vector<uint8_t> pcm = ToBytes(Tone(8000, 1, 505 + 300, 440));

  Step step = Convert(*encoder, pcm, 1024, Mode::kBlockAlign);
  ASSERT_TRUE(step.ok);
  EXPECT_EQ(step.used, 1010u);
  EXPECT_EQ(step.produced, 256u);
  // No room for a whole block: nothing happens, and that is no failure.
  const std::vector<uint8_t> rest(pcm.begin() + 1010, pcm.end());
  step = Convert(*encoder, rest, 255, Mode::kEnd);
  EXPECT_TRUE(step.ok);
  EXPECT_EQ(step.used, 0u);

  step = Convert(*encoder, rest, 1024, Mode::kEnd);
  ASSERT_TRUE(step.ok);
  EXPECT_EQ(step.used, rest.size());
  ASSERT_EQ(step.produced, 256u);
  // The padded block decodes to the 300 samples, then silence.
  auto decoder = Decoder(ima);
  const std::vector<int16_t> decoded = ToSamples(ConvertAll(*decoder, step.out));
  ASSERT_EQ(decoded.size(), 505u);
  EXPECT_GT(Snr(ToSamples(rest), decoded), 20);
  EXPECT_EQ(decoded[504], 0);
}

TEST(LCodecStreamTest, StartForgetsTheCarriedState) {
  const std::vector<uint8_t> pcm = ToBytes(Tone(8000, 1, 505 * 4, 700, 20000));
  const std::vector<uint8_t> tail(pcm.begin() + 1010 * 2, pcm.end());
  auto fresh = Encoder(Described(LCodecImaAdpcm::kTag, 8000, 1, 4));
  const Step expected = Convert(*fresh, tail, 4096, Mode::kBlockAlign);

  auto encoder = Encoder(Described(LCodecImaAdpcm::kTag, 8000, 1, 4));
  Convert(*encoder, pcm, 4096, Mode::kBlockAlign);
  EXPECT_NE(Convert(*encoder, tail, 4096, Mode::kBlockAlign).out, expected.out);
  const Step restarted = Convert(*encoder, tail, 4096, Mode::kStart);
  EXPECT_EQ(restarted.out, expected.out);

  // Decoding after a reset, as after a seek, matches a fresh stream.
  const LWaveFileFormat gsm = Described(LCodecGsm::kTag, 8000, 1, 0);
  auto gsmEncoder = Encoder(gsm);
  const std::vector<uint8_t> coded = ConvertAll(*gsmEncoder, ToBytes(Tone(8000, 1, 3200, 300)));
  ASSERT_EQ(coded.size(), 650u);
  const std::vector<uint8_t> later(coded.begin() + 65 * 4, coded.end());
  auto gsmFresh = Decoder(gsm);
  const Step freshOut = Convert(*gsmFresh, later, 8192, Mode::kBlockAlign);
  auto gsmDecoder = Decoder(gsm);
  Convert(*gsmDecoder, coded, 8192, Mode::kBlockAlign);
  EXPECT_NE(Convert(*gsmDecoder, later, 8192, Mode::kBlockAlign).out, freshOut.out);
  EXPECT_EQ(Convert(*gsmDecoder, later, 8192, Mode::kStart).out, freshOut.out);
}

// For every offered format: the buffer sizes the WAVE source and sink derive
// hold what one conversion produces, and chunking does not change the data.
TEST(LCodecStreamTest, SizesHoldTheOutputAndChunkingChangesNothing) {
  for (const LSupportedFormat& entry : LSupportedFormats::All()) {
    LWaveFileFormat format;
    ASSERT_TRUE(LSupportedFormats::Fill(entry, format)) << entry.name;
    const std::string what = std::string(entry.name) + " " + std::to_string(entry.rate) + "/" +
                             std::to_string(entry.channels);
    auto encoder = Encoder(format);
    ASSERT_NE(encoder, nullptr) << what;
    const uint32_t pcmBytes = 8192u * 2 * entry.channels;
    const uint32_t destBytes = encoder->DestSizeFor(pcmBytes);
    ASSERT_GT(destBytes, 0u) << what;
    const std::vector<uint8_t> pcm = ToBytes(Tone(entry.rate, entry.channels, 8192, 500));
    const Step step = Convert(*encoder, pcm, destBytes, Mode::kEnd);
    ASSERT_TRUE(step.ok) << what;
    EXPECT_EQ(step.used, pcmBytes) << what;

    if (entry.tag == LCodecMp3::kTag) continue;
    auto decoder = Decoder(format);
    ASSERT_NE(decoder, nullptr) << what;
    const uint32_t sourceBytes = decoder->SourceSizeFor(pcmBytes);
    ASSERT_GT(sourceBytes, 0u) << what;
    const Step decoded = Convert(*decoder, Noise(sourceBytes, 3), pcmBytes, Mode::kBlockAlign);
    EXPECT_EQ(decoded.used, sourceBytes) << what;
    EXPECT_GT(decoded.produced, pcmBytes / 2) << what;

    const std::vector<uint8_t> coded = ConvertAll(*Encoder(format), pcm, 999);
    EXPECT_TRUE(coded == ConvertAll(*Encoder(format), pcm)) << what;
    EXPECT_TRUE(ConvertAll(*Decoder(format), coded, 333) == ConvertAll(*Decoder(format), coded))
        << what;
  }
}
