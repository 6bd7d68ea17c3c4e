#include "audio/recognition/LSpeechRec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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
  const TmpDirScope scope(temp.Path());
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

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Cancels once decoding is under way and 30 ms more of this thread's
// processor time have passed. Processor time, not the clock: other work on
// a shared machine must not count against the job.
class CancelWhileDecoding final : public LProgress {
 public:
  void SetText(int line, std::string_view text) override { decoding_ = line == 1 && text == "Recognizing speech"; }
  void SetProgress(double fraction) override {
    if (decoding_ && fraction > 0 && requestedAt < 0) requestedAt = ThreadCpuMs() + 30;
  }
  bool IsCancelled() override { return requestedAt >= 0 && ThreadCpuMs() >= requestedAt; }

  double requestedAt = -1;

 private:
  bool decoding_ = false;
};

// Decoding tests the cancel request every 128 ms of audio. A sanitizer
// build takes 40 to 250 ms of processor time for such a block, the most when
// an utterance ends in it (the decoder's second pass).
TEST(SpeechRec, CancelStopsDecodingSoon) {
  TempDir dir;
  const std::string line = SpeakToLine(dir, "long",
                                       "the water will be turned off for repairs on monday morning. "
                                       "the printer on the second floor is out of paper again. "
                                       "let me know if you need a ride to the airport.");
  CancelWhileDecoding progress;
  LSpeechRec rec(line, "", 0);
  EXPECT_EQ(rec.Process(progress), kProcessCancelled);
  const double late = ThreadCpuMs() - progress.requestedAt;
  EXPECT_LT(late, 400);
  EXPECT_TRUE(rec.Text().empty());
}

TEST(SpeechRec, UnreadableAudioMissingModelsAndStereoFormatsFail) {
  TempDir dir;
  const std::string text = dir / "notes.wav";
  std::ofstream(text) << "not a wave file";
  LProgressSilent silent;
  for (const std::string& path : {text, dir / "missing.wav"}) {
    LSpeechRec rec(path, "someone", 0);
    EXPECT_EQ(rec.Process(silent), kProcessFailed) << path;
  }

  const std::string tone = dir / "tone.wav";
  LPRSourceToSink("tone", new TestSource(8000, 1, 800), LWaveFile::OpenSinkPCM(tone, 8000, 0, 16, 1)).Process(silent);
  EXPECT_EQ(ProcessSRConvertFileFormat(tone, dir / "stereo.wav", LWaveFileFormat::Pcm(16000, 2, 16), silent),
            kProcessFailed);

  // A position past the end takes the last model, here without its language model.
  SpeechRecModel missing = SelectSpeechRecModel(99);
  EXPECT_EQ(missing.name, SpeechRecEngineNames().back());
  missing.languageModel = dir / "absent.lm.bin";
  EXPECT_FALSE(SphinxDecoder().Open(missing));
}

}  // namespace
