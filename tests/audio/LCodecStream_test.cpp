#include "audio/LCodecStream.h"

#include <gtest/gtest.h>

#include <random>

#include "LCodecTestSupport.h"
#include "audio/LCodecG711.h"
#include "audio/LCodecGsm.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LCodecMp3.h"
#include "audio/LCodecMsAdpcm.h"

using namespace codec_test;
using Mode = LCodecStream::Mode;
using Format = LWaveFileFormat;

namespace {

struct Step {
  uint32_t used = 0, produced = 0;
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

Format Changed(Format format, void (*change)(Format&)) {
  change(format);
  return format;
}
Format WithExtra(Format format, std::vector<uint8_t> extra) {
  format.SetExtra(extra.data(), static_cast<uint16_t>(extra.size()));
  return format;
}

// The ADPCM formats keep their samples per block in the first two extra bytes.
Format SamplesPerBlock(Format format, uint8_t count) {
  std::vector<uint8_t> extra(format.Extra(), format.Extra() + format.ExtraSize());
  extra[0] = count;
  extra[1] = 0;
  return WithExtra(format, extra);
}

// Descriptors a stream would misread (memory safety on any descriptor is
// the fuzz targets' part).
TEST(LCodecStreamTest, RefusesWhatItCannotConvert) {
  const Format alaw = Described(LCodecG711::kTagALaw, 8000, 1, 8);
  for (const Format& coded : {
           Changed(alaw, [](Format& f) { f.SetSamplesPerSec(0); }), Changed(alaw, [](Format& f) { f.SetTag(0x99); }),
           Changed(alaw, [](Format& f) { f.SetBlockAlign(2); }),
           Changed(Described(Format::kTagPcm, 8000, 2, 24), [](Format& f) { f.SetBlockAlign(8); }),
           WithExtra(Described(LCodecImaAdpcm::kTag, 8000, 1, 4), {250, 1}),  // 506 samples do not fit in 256 bytes
           WithExtra(Described(LCodecMsAdpcm::kTag, 8000, 1, 4), {244, 1, 8, 0}),  // 8 pairs, no room
           // Blocks mostly empty: buffers sized in whole blocks would be huge.
           SamplesPerBlock(Changed(Described(LCodecImaAdpcm::kTag, 8000, 1, 4), [](Format& f) { f.SetBlockAlign(65532); }), 1),
           SamplesPerBlock(Described(LCodecMsAdpcm::kTag, 8000, 1, 4), 200),
           Changed(Described(LCodecGsm::kTag, 8000, 1, 0), [](Format& f) { f.SetBlockAlign(66); })}) {
    EXPECT_EQ(Decoder(coded), nullptr) << coded.Tag() << " " << coded.BlockAlign();
  }
  EXPECT_EQ(Encoder(Changed(Described(LCodecMp3::kTag, 8000, 1, 0), [](Format& f) { f.SetAvgBytesPerSec(1234); })), nullptr);
  // One side must be 16-bit PCM of the other's shape.
  for (const Format& pcm : {Format::Pcm(11025, 1, 16), Format::Pcm(8000, 2, 16), Format::Pcm(8000, 1, 8),
                            Described(LCodecG711::kTagMuLaw, 8000, 1, 8)})
    EXPECT_EQ(LCodecStream::Open(alaw, pcm), nullptr) << pcm.SamplesPerSec() << pcm.Tag();
  EXPECT_NE(LCodecStream::Open(alaw, Format::Pcm(8000, 1, 16)), nullptr);
}

TEST(LCodecStreamTest, BlockAlignKeepsTheRestAndEndPadsTheLastBlock) {
  const Format ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  auto encoder = Encoder(ima);
  const std::vector<uint8_t> pcm = ToBytes(ToneSamples(8000, 1, 505 + 300, 440));

  Step step = Convert(*encoder, pcm, 1024, Mode::kBlockAlign);
  EXPECT_TRUE(step.ok && step.used == 1010u && step.produced == 256u);
  // No room for a whole block: nothing happens, and that is no failure.
  const std::vector<uint8_t> rest(pcm.begin() + 1010, pcm.end());
  EXPECT_TRUE(Convert(*encoder, rest, 255, Mode::kEnd).ok && Convert(*encoder, rest, 255, Mode::kEnd).used == 0u);

  step = Convert(*encoder, rest, 1024, Mode::kEnd);
  ASSERT_TRUE(step.ok && step.used == rest.size() && step.produced == 256u);
  // The padded block decodes to the 300 samples, then silence.
  const std::vector<int16_t> decoded = ToSamples(ConvertAll(*Decoder(ima), step.out));
  EXPECT_TRUE(decoded.size() == 505u && Snr(ToSamples(rest), decoded) > 20 && decoded.back() == 0);
}

// Encoding after a reset, and decoding after one (as after a seek), match a
// fresh stream.
TEST(LCodecStreamTest, StartForgetsTheCarriedState) {
  const Format ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  const Format gsm = Described(LCodecGsm::kTag, 8000, 1, 0);
  const std::vector<uint8_t> gsmCoded = ConvertAll(*Encoder(gsm), ToBytes(ToneSamples(8000, 1, 3200, 300)));
  ASSERT_EQ(gsmCoded.size(), 650u);
  for (auto [open, format, input, skip] :
       {std::tuple{&Encoder, ima, ToBytes(ToneSamples(8000, 1, 505 * 4, 700, 20000)), 2020}, {&Decoder, gsm, gsmCoded, 65 * 4}}) {
    const std::vector<uint8_t> tail(input.begin() + skip, input.end());
    const Step fresh = Convert(*open(format), tail, 8192, Mode::kBlockAlign);
    auto stream = open(format);
    Convert(*stream, input, 8192, Mode::kBlockAlign);
    EXPECT_NE(Convert(*stream, tail, 8192, Mode::kBlockAlign).out, fresh.out) << format.Tag();
    EXPECT_EQ(Convert(*stream, tail, 8192, Mode::kStart).out, fresh.out) << format.Tag();
  }
}

TEST(LCodecStreamTest, CutOffBlockYieldsOnlyItsWholeFrames) {
  // Format, bytes of coded input kept, frames decoded from them.
  for (auto [format, cut, frames] : {std::tuple{Described(LCodecImaAdpcm::kTag, 8000, 1, 4), 46, 81},  // 4 + 10 words
                                     {Described(LCodecImaAdpcm::kTag, 8000, 1, 4), 3, 0},
                                     {Described(LCodecMsAdpcm::kTag, 8000, 2, 4), 19, 7},  // 14 + 5 bytes
                                     {Described(LCodecGsm::kTag, 8000, 1, 0), 65 * 2 + 40, 640},
                                     {Described(Format::kTagPcm, 8000, 2, 24), 22, 3}}) {
    const std::vector<uint8_t> coded = ConvertAll(*Encoder(format), ToBytes(ToneSamples(8000, format.Channels(), 1100, 440)));
    std::vector<uint8_t> part = ConvertAll(*Decoder(format), {coded.begin(), coded.begin() + cut});
    EXPECT_EQ(part.size(), frames * 2u * format.Channels()) << format.Tag() << " " << cut;
    part.resize(frames * 2u * format.Channels());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), ConvertAll(*Decoder(format), coded).begin())) << format.Tag();
  }
}

// For every offered format: the buffer sizes the WAVE source and sink derive
// hold what one conversion produces, and chunking does not change the data.
TEST(LCodecStreamTest, SizesHoldTheOutputAndChunkingChangesNothing) {
  std::mt19937 random(3);
  for (const LSupportedFormat& entry : LSupportedFormats::All()) {
    SCOPED_TRACE(std::string(entry.name) + " " + std::to_string(entry.rate) + "/" +
                 std::to_string(entry.channels));
    Format format;
    ASSERT_TRUE(LSupportedFormats::Fill(entry, format));
    auto encoder = Encoder(format);
    const uint32_t pcmBytes = 8192u * 2 * entry.channels;
    const std::vector<uint8_t> pcm = ToBytes(ToneSamples(entry.rate, entry.channels, 8192, 500));
    const Step step = Convert(*encoder, pcm, encoder->DestSizeFor(pcmBytes), Mode::kEnd);
    EXPECT_TRUE(step.ok && step.used == pcmBytes);
    if (entry.tag == LCodecMp3::kTag) continue;
    auto decoder = Decoder(format);
    std::vector<uint8_t> noise(decoder->SourceSizeFor(pcmBytes));
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    const Step decoded = Convert(*decoder, noise, pcmBytes, Mode::kBlockAlign);
    EXPECT_TRUE(!noise.empty() && decoded.used == noise.size() && decoded.produced > pcmBytes / 2);
    const std::vector<uint8_t> coded = ConvertAll(*Encoder(format), pcm, 999);
    const std::vector<uint8_t> back = ConvertAll(*Decoder(format), coded, 333);
    EXPECT_TRUE(coded == ConvertAll(*Encoder(format), pcm) && back == ConvertAll(*Decoder(format), coded));
    EXPECT_TRUE(entry.tag != Format::kTagPcm || entry.bits < 16 || back == pcm) << "exact";
  }
}

}  // namespace
