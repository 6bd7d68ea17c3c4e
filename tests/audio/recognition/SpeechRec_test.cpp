#include "audio/recognition/LSpeechRec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/TestSources.h"
#include "audio/LPRSourceToSink.h"
#include "audio/LProgressSilent.h"
#include "audio/LTTS.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/recognition/SRConvertFileFormat.h"
#include "audio/recognition/SphinxDecoder.h"
#include "audio/recognition/SpeechRecModel.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

// Points $TMPDIR at a folder of the test's own while it lives.
class TempFolderScope {
 public:
  explicit TempFolderScope(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old, hadOld_ = true;
    ::setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TempFolderScope() { hadOld_ ? ::setenv("TMPDIR", old_.c_str(), 1) : ::unsetenv("TMPDIR"); }

 private:
  std::string old_;
  bool hadOld_ = false;
};

// `text` spoken by one of our male US voices, brought down to 8 kHz line audio.
std::string SpeakToLine(const TempDir& dir, const std::string& name, const std::string& text) {
  LTTS job{text, dir / (name + "-voice.wav"), 1, nullptr};
  LProgressSilent silent;
  EXPECT_EQ(Process(job, silent), kProcessDone);
  const std::string line = dir / (name + ".wav");
  EXPECT_EQ(LPRSourceToSink("line", LWaveFile::OpenSource(job.path), LWaveFile::OpenSinkPCM(line, 8000, 0, 16, 1))
                .Process(silent),
            kProcessDone);
  return line;
}

// How many words of `said` appear in `heard`, ignoring case.
int WordsHeard(const std::string& said, std::string heard) {
  std::transform(heard.begin(), heard.end(), heard.begin(), [](unsigned char c) { return std::tolower(c); });
  std::istringstream words(said), got(heard);
  const std::vector<std::string> heardWords{std::istream_iterator<std::string>(got), {}};
  int found = 0;
  for (std::string word; words >> word;) found += std::count(heardWords.begin(), heardWords.end(), word) > 0;
  return found;
}

// Two messages transcribed at once, each through its own temporary file,
// which is gone afterwards.
TEST(SpeechRec, TwoMessagesAtOnceComeBackAsTheirOwnText) {
  TempDir dir, temp;
  const TempFolderScope scope(temp.Path());
  const std::vector<std::string> said = {"please call me back tomorrow morning about the meeting with the bank",
                                         "the delivery is scheduled for friday between nine and noon"};
  std::vector<LSpeechRec> jobs;
  for (std::size_t i = 0; i < said.size(); ++i) jobs.emplace_back(SpeakToLine(dir, std::to_string(i), said[i]), "", 0);
  std::vector<ProcessResult> results(jobs.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([&, i] {
      LProgressSilent silent;
      results[i] = jobs[i].Process(silent);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const std::string& text = jobs[i].Text();
    EXPECT_EQ(results[i], kProcessDone);
    const auto words = static_cast<int>(std::count(said[i].begin(), said[i].end(), ' ') + 1);
    EXPECT_GE(WordsHeard(said[i], text) * 3, words * 2) << said[i] << " -> " << text;
    EXPECT_TRUE(!text.empty() && std::isupper(static_cast<unsigned char>(text[0]))) << text;
  }
  EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
}

// Cancels once decoding is under way and `delay` has passed.
class CancelWhileDecoding final : public LProgress {
 public:
  void SetText(int line, std::string_view text) override { decoding_ = line == 1 && text == "Recognizing speech"; }
  void SetProgress(double fraction) override {
    if (decoding_ && fraction > 0 && requestedAt_ == Clock::time_point{}) requestedAt_ = Clock::now() + kDelay;
  }
  bool IsCancelled() override { return requestedAt_ != Clock::time_point{} && Clock::now() >= requestedAt_; }

  static constexpr std::chrono::milliseconds kDelay{30};
  Clock::time_point requestedAt_{};

 private:
  bool decoding_ = false;
};

// Decoding tests the cancel request every 128 ms of audio; the slowest step
// is the second pass at an utterance's end, which a sanitizer build on a
// busy machine stretches to well over 200 ms, so the bound here is loose,
// yet far below the seconds that decoding the rest of the message takes.
TEST(SpeechRec, CancelStopsDecodingWithinASecond) {
  TempDir dir;
  const std::string line = SpeakToLine(dir, "long",
                                       "the water will be turned off for repairs on monday morning. "
                                       "the printer on the second floor is out of paper again. "
                                       "let me know if you need a ride to the airport.");
  CancelWhileDecoding progress;
  LSpeechRec rec(line, "", 0);
  EXPECT_EQ(rec.Process(progress), kProcessCancelled);
  const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - progress.requestedAt_);
  EXPECT_LT(late.count(), 1000);
  EXPECT_TRUE(rec.Text().empty());
}

TEST(SpeechRec, UnreadableAudioMissingModelsAndStereoFormatsFail) {
  TempDir dir;
  const std::string text = dir / "notes.wav";
  std::FILE* file = std::fopen(text.c_str(), "w");
  std::fputs("not a wave file", file);
  std::fclose(file);
  LProgressSilent silent;
  for (const std::string& path : {text, dir / "missing.wav"}) {
    LSpeechRec rec(path, "someone", 0);
    EXPECT_EQ(rec.Process(silent), kProcessFailed) << path;
  }

  const std::string tone = dir / "tone.wav";
  LPRSourceToSink("tone", new TestSource(8000, 1, 800), LWaveFile::OpenSinkPCM(tone, 8000, 0, 16, 1)).Process(silent);
  EXPECT_EQ(ProcessSRConvertFileFormat(tone, dir / "stereo.wav", LWaveFileFormat::Pcm(16000, 2, 16), silent),
            kProcessFailed);

  SpeechRecModel missing = SelectSpeechRecModel(0);
  missing.languageModel = dir / "absent.lm.bin";
  SphinxDecoder decoder;
  EXPECT_FALSE(decoder.Open(missing));
  EXPECT_FALSE(decoder.Feed(nullptr, 0, [](const std::vector<std::string>&) {}));
}

TEST(SpeechRec, EnginePositionsPastTheEndUseTheLastModel) {
  const std::vector<std::string> names = SpeechRecEngineNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(SelectSpeechRecModel(static_cast<int>(names.size()) + 3).name, names.back());
  EXPECT_EQ(SelectSpeechRecModel(-1).name, names.front());
}

}  // namespace
