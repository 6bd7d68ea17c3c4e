#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Mp3TestSupport.h"
#include "TestSources.h"
#include "TtsFakeEngine.h"
#include "WaveTestFiles.h"
#include "audio/LTTS.h"
#include "audio/LTTSAudioDest.h"
#include "audio/LWaveFile.h"
#include "core/LSignalObject.h"
#include "support/TempDir.h"

namespace {

using namespace wave_test;

std::vector<int32_t> ReadAll(const std::string& path) { return mp3test::DecodeAll(*LWaveFile::OpenSource(path)); }

TEST(TtsSynthesis, AudioDestWritesAStreamingHeaderThenTheFinalSizes) {
  TempDir dir;
  const std::string path = dir / "dest.wav";
  LTTSAudioDest dest(UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)));
  const int16_t data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(dest.DataSet(data, sizeof data) || dest.Finish()) << "data before the format";
  ASSERT_TRUE(dest.WaveFormatSet(LWaveFileFormat::Pcm(16000, 1, 16)));
  EXPECT_FALSE(dest.WaveFormatSet(LWaveFileFormat::Pcm(8000, 1, 16)));
  ASSERT_TRUE(dest.DataSet(data, sizeof data));
  const std::string fmt = Chunk("fmt ", FmtBody(1, 1, 16000, 16, 18)), samples = Samples16({1, 2, 3, 4});
  EXPECT_EQ(FileText(path), "RIFF" + Le32(0xFFFFFFFF) + "WAVE" + fmt + "data" + Le32(0xFFFFFFFF) + samples);
  ASSERT_TRUE(dest.Finish());
  EXPECT_EQ(FileText(path), Riff(fmt + Chunk("data", samples)));
}

TEST(TtsSynthesis, ProcessSpeaksEveryPieceAndReportsProgressAndEmptyTextsGiveEmptyFiles) {
  TempDir dir;
  FakeVoices fake(EngineLanguages{{"de"}, {"en-us", "fr"}}, 2);
  LSignalObject ready;
  LTTS job{"First sentence. Second\x01 one!", dir / "out.wav", 2, &ready};
  RecordingProgress progress;
  EXPECT_EQ(Process(job, progress, fake.voices), kProcessDone);
  EXPECT_TRUE(ready.IsSet() && progress.title == "Synthesizing Voice" && !progress.fractions.empty() &&
              progress.fractions.back() == 1.0);
  EXPECT_EQ(fake.engines[1]->Pieces(),
            (std::vector<std::string>{"First sentence.", "Second one!"}));

  // Position 2: the second engine's second voice.
  EXPECT_EQ(ReadAll(job.path), std::vector<int32_t>(4 * FakeTtsEngine::kBlock, 200 * 16));
  EXPECT_EQ(LWaveFile::OpenSource(job.path)->SampleRate(), 8000);

  // Nothing to say: a valid, finished, empty file.
  for (const char* text : {"", "  \n\t "}) {
    LTTS empty{text, dir / "empty.wav", 0, nullptr};
    ASSERT_EQ(Process(empty, progress, fake.voices), kProcessDone);
    EXPECT_TRUE(!LWaveFile::OpenSource(empty.path)->IsStreaming() && FileText(empty.path).size() == 46u);
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
  EXPECT_TRUE(kept > 0 && kept < 9 * FakeTtsEngine::kBlock && !LWaveFile::OpenSource(job.path)->IsStreaming());

  fake.engines[0]->failing = true;
  RecordingProgress progress;
  LTTS unwritable{"Hello", dir / "missing/folder/x.wav", 0, nullptr};
  EXPECT_TRUE(Process(job, progress, fake.voices) == kProcessFailed &&
              Process(unwritable, progress, fake.voices) == kProcessFailed);

  FakeVoices none(EngineLanguages{});
  LSignalObject ready;
  LTTS nobody{"Hello", dir / "none.wav", 0, &ready};
  EXPECT_EQ(Process(nobody, progress, none.voices), kProcessFailed);
  EXPECT_TRUE(ready.IsSet() && FileText(nobody.path).empty()) << "a waiting reader is released at once";

}

// Texts that once overran or stalled an engine: markup, punctuation runs,
// control bytes, invalid UTF-8, a very long word.
TEST(TtsSynthesis, EnginesSurviveMarkupAndPunctuationRuns) {
  TempDir dir;
  const TtsVoices& voices = TtsVoices::Installed();
  int espeak = 0;
  while (espeak < voices.Count() && voices.Name(espeak).rfind("eSpeak NG English", 0) != 0) ++espeak;
  const std::string nasty = "<speak><break time='9s'/></speak> [[h@l'oU]] \\\\ {x} %s%n$& \"`|~^ " +
                            std::string(400, '.') + " \x01\x02\xff\xfe caf\xc3\xa9 " +
                            std::string(100, 'q') + " " + std::string(300, '!');
  for (int voice : {0, 4, espeak}) {
    LTTS job{nasty, dir / "nasty.wav", voice, nullptr};
    RecordingProgress progress;
    EXPECT_TRUE(Process(job, progress, voices) == kProcessDone && !ReadAll(job.path).empty()) << voices.Name(voice);
  }
}

}  // namespace
