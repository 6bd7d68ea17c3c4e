#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSources.h"
#include "TtsFakeEngine.h"
#include "WaveTestFiles.h"
#include "audio/LCodecBytes.h"
#include "audio/LTTS.h"
#include "audio/LTTSAudioDest.h"
#include "audio/LWaveFile.h"
#include "core/LSignalObject.h"
#include "support/TempDir.h"

namespace {

using wave_test::ReadBytes;

uint32_t SizeAt(const std::string& bytes, std::size_t at) {
  return LoadLeU32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

// Every sample of a finished 16-bit mono file.
std::vector<int32_t> ReadAll(const std::string& path) {
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  std::vector<int32_t> samples(static_cast<std::size_t>(source->GetEndSample()));
  if (!samples.empty()) source->Read(samples.data(), static_cast<int32_t>(samples.size()));
  return samples;
}

TEST(TtsSynthesis, AudioDestWritesAStreamingHeaderThenTheFinalSizes) {
  TempDir dir;
  const std::string path = dir / "dest.wav";
  LTTSAudioDest dest(UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)));
  const int16_t data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(dest.DataSet(data, sizeof data)) << "data before the format";
  EXPECT_FALSE(dest.Finish());
  ASSERT_TRUE(dest.WaveFormatSet(LWaveFileFormat::Pcm(16000, 1, 16)));
  EXPECT_FALSE(dest.WaveFormatSet(LWaveFileFormat::Pcm(8000, 1, 16)));
  ASSERT_TRUE(dest.DataSet(data, sizeof data));

  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 46u + sizeof data);
  EXPECT_EQ(SizeAt(bytes, 4), 0xFFFFFFFFu);
  EXPECT_EQ(SizeAt(bytes, 42), 0xFFFFFFFFu);
  EXPECT_TRUE(LWaveFile::OpenSource(path)->IsStreaming());

  ASSERT_TRUE(dest.Finish());
  bytes = ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(SizeAt(bytes, 4), 38u + sizeof data);
  EXPECT_EQ(SizeAt(bytes, 16), 18u);
  EXPECT_EQ(SizeAt(bytes, 42), sizeof data);
  EXPECT_EQ(ReadAll(path), (std::vector<int32_t>{16, 32, 48, 64}));
}

TEST(TtsSynthesis, ProcessSpeaksEveryPieceAndReportsProgressAndEmptyTextsGiveEmptyFiles) {
  TempDir dir;
  FakeVoices fake(EngineLanguages{{"de"}, {"en-us", "fr"}}, 2);
  LSignalObject ready;
  LTTS job{"First sentence. Second\x01 one!", dir / "out.wav", 2, &ready};
  RecordingProgress progress;
  EXPECT_EQ(Process(job, progress, fake.voices), kProcessDone);
  EXPECT_TRUE(ready.IsSet());
  EXPECT_EQ(progress.title, "Synthesizing Voice");
  ASSERT_FALSE(progress.fractions.empty());
  EXPECT_EQ(progress.fractions.back(), 1.0);
  EXPECT_EQ(fake.engines[1]->Pieces(),
            (std::vector<std::string>{"First sentence.", "Second one!"}));

  const std::vector<int32_t> samples = ReadAll(job.path);
  ASSERT_EQ(samples.size(), 4 * FakeTtsEngine::kBlock);
  EXPECT_EQ(samples.front(), 200 * 16);  // position 2: the second engine's second voice
  EXPECT_EQ(LWaveFile::OpenSource(job.path)->SampleRate(), 8000);

  // Nothing to say: a valid, finished, empty file.
  for (const char* text : {"", "  \n\t "}) {
    LTTS empty{text, dir / "empty.wav", 0, nullptr};
    ASSERT_EQ(Process(empty, progress, fake.voices), kProcessDone);
    EXPECT_FALSE(LWaveFile::OpenSource(empty.path)->IsStreaming());
    EXPECT_EQ(ReadBytes(empty.path).size(), 46u);
  }
  EXPECT_EQ(fake.engines[0]->Pieces().size() + fake.engines[1]->Pieces().size(), 2u);
}

TEST(TtsSynthesis, CancelKeepsAValidFileAndFailuresAreReported) {
  TempDir dir;
  FakeVoices fake(EngineLanguages{{"en-us"}}, 3);
  LTTS job{"One. Two. Three.", dir / "cancel.wav", 0, nullptr};
  RecordingProgress cancelSoon(5);
  EXPECT_EQ(Process(job, cancelSoon, fake.voices), kProcessCancelled);
  const std::size_t kept = ReadAll(job.path).size();
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, 9 * FakeTtsEngine::kBlock);
  EXPECT_FALSE(LWaveFile::OpenSource(job.path)->IsStreaming());

  fake.engines[0]->failing = true;
  RecordingProgress progress;
  EXPECT_EQ(Process(job, progress, fake.voices), kProcessFailed);

  FakeVoices none(EngineLanguages{});
  LSignalObject ready;
  LTTS nobody{"Hello", dir / "none.wav", 0, &ready};
  EXPECT_EQ(Process(nobody, progress, none.voices), kProcessFailed);
  EXPECT_TRUE(ready.IsSet()) << "a waiting reader is released at once";
  EXPECT_TRUE(ReadBytes(nobody.path).empty());

  LTTS unwritable{"Hello", dir / "missing/folder/x.wav", 0, nullptr};
  EXPECT_EQ(Process(unwritable, progress, fake.voices), kProcessFailed);
}

// Texts that once overran or stalled an engine: markup, punctuation runs,
// control bytes, invalid UTF-8, a very long word.
TEST(TtsSynthesis, EnginesSurviveMarkupAndPunctuationRuns) {
  TempDir dir;
  const TtsVoices& voices = TtsVoices::Installed();
  int espeak = -1;
  for (int i = 0; i < voices.Count() && espeak < 0; ++i) {
    if (voices.Name(i).rfind("eSpeak NG English", 0) == 0) espeak = i;
  }
  ASSERT_GE(espeak, 0);
  const std::string nasty = "<speak><break time='9s'/></speak> [[h@l'oU]] \\\\ {x} %s%n$& \"`|~^ " +
                            std::string(400, '.') + " \x01\x02\xff\xfe caf\xc3\xa9 " +
                            std::string(100, 'q') + " " + std::string(300, '!');
  for (int voice : {0, 4, espeak}) {
    LTTS job{nasty, dir / "nasty.wav", voice, nullptr};
    RecordingProgress progress;
    EXPECT_EQ(Process(job, progress, voices), kProcessDone) << voices.Name(voice);
    EXPECT_GT(ReadAll(job.path).size(), 0u) << voices.Name(voice);
  }
}

}  // namespace
