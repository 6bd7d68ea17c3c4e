// Word error rate and real-time factor of message transcription on 8 kHz
// line audio made by our own speech synthesis: both voice engines, clean and
// through a mu-law line with noise at 20 dB SNR. Four decoders on the same
// files in the same run:
//   ours       LSpeechRec: our converter to 16 kHz with the band fill, then
//              the decoder in blocks with utterances split at silences;
//   no-fill    the same without the band fill;
//   8k         the decoder at 8 kHz on the line file (-nfft 256, filter bank
//              cut to 3500 Hz, since the model's own reaches 6800 Hz);
//   reference  pocketsphinx_continuous -infile on the file upsampled by sox,
//              with its default settings.
// The real-time factor is CPU time over audio time. The reference and the
// no-fill and 8k decoders load the model for every message; ours keeps
// loaded decoders, so its figure leaves loading out, printed apart.
#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "audio/LCodecG711.h"
#include "audio/LPRSourceToSink.h"
#include "audio/LProgressSilent.h"
#include "audio/LTTS.h"
#include "audio/LWaveFile.h"
#include "audio/TtsVoices.h"
#include "audio/recognition/LSpeechRec.h"
#include "audio/recognition/SphinxDecoder.h"
#include "audio/recognition/SpeechRecModel.h"

namespace {

const std::vector<std::string> kSentences = {
    "please call me back tomorrow morning about the meeting with the bank",
    "hi this is john from the garage your car is ready to be picked up",
    "i will be late for dinner tonight so please start without me",
    "the delivery is scheduled for friday between nine and noon",
    "can you send me the report before the end of the week",
    "we need to talk about the budget for next year",
    "your appointment with the doctor has been moved to thursday",
    "thank you for your order it will ship in two days",
    "i found your wallet at the coffee shop on main street",
    "the kids want to go to the park after school",
    "please remember to bring the tickets for the concert",
    "the flight has been delayed by about two hours",
    "call the office as soon as you get this message",
    "we are having a party on saturday and you are invited",
    "the printer on the second floor is out of paper again",
    "i left the keys under the mat by the back door",
    "our team won the game last night by three points",
    "the water will be turned off for repairs on monday",
    "let me know if you need a ride to the airport",
    "the price of the new phone is too high for me",
    "she said the house needs a new roof before winter",
    "happy birthday we hope you have a wonderful day",
    "the train leaves the station at half past seven",
    "i will call you again later this afternoon",
};

constexpr int32_t kLineRate = 8000;
constexpr double kSnrDb = 20;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::vector<std::string> Words(const std::string& text) {
  std::string clean;
  for (unsigned char c : text) clean += std::isalnum(c) || c == '\'' ? static_cast<char>(std::tolower(c)) : ' ';
  std::istringstream in(clean);
  return {std::istream_iterator<std::string>(in), {}};
}

// Substitutions, deletions and insertions that turn `said` into `heard`.
std::size_t WordErrors(const std::vector<std::string>& said, const std::vector<std::string>& heard) {
  std::vector<std::size_t> row(heard.size() + 1);
  for (std::size_t j = 0; j <= heard.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= said.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= heard.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (said[i - 1] == heard[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[heard.size()];
}

std::vector<int32_t> ReadAll(const std::string& path) {
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  std::vector<int32_t> samples(static_cast<std::size_t>(std::max(0, source->GetEndSample())));
  source->Read(samples.data(), static_cast<int32_t>(samples.size()));
  return samples;
}

void WriteLine(const std::string& path, const std::vector<int32_t>& samples) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path, kLineRate, 0, 16, 1);
  sink->Write(samples.data(), static_cast<int32_t>(samples.size()));
}

// The clean line file, and the same through mu-law with white noise 20 dB
// below the speech's power.
void MakeLineFiles(const std::string& voiceFile, const std::string& clean, const std::string& noisy,
                   std::mt19937& random) {
  LProgressSilent silent;
  LPRSourceToSink("line", LWaveFile::OpenSource(voiceFile), LWaveFile::OpenSinkPCM(clean, kLineRate, 0, 16, 1))
      .Process(silent);
  std::vector<int32_t> samples = ReadAll(clean);
  double power = 0;
  for (int32_t x : samples) power += static_cast<double>(x) * x;
  power /= static_cast<double>(std::max<std::size_t>(1, samples.size()));
  std::normal_distribution<double> noise(0, std::sqrt(power / std::pow(10, kSnrDb / 10)));
  for (int32_t& x : samples) {
    const double noisyValue = std::clamp(x + noise(random), -double{kFullScale16}, double{kFullScale16});
    const auto linear = ChainTo16(static_cast<int32_t>(noisyValue));
    x = ChainFrom16(LCodecG711::LinearFromMuLaw(LCodecG711::MuLawFromLinear(linear)));
  }
  WriteLine(noisy, samples);
}

// The model's feature settings with the filter bank cut to the line's band.
std::string WriteNarrowbandParams(const std::string& folder, const SpeechRecModel& model) {
  std::ifstream in(model.acousticModel + "/feat.params");
  const std::string path = folder + "/feat8k.params";
  std::ofstream out(path);
  for (std::string line; std::getline(in, line);) out << (line.rfind("-upperf", 0) == 0 ? "-upperf 3500" : line) << '\n';
  return path;
}

std::string Decode(const SpeechRecModel& model, const std::string& path) {
  SphinxDecoder decoder;
  std::string text;
  const auto sink = [&text](const std::vector<std::string>& words) {
    for (const std::string& word : words) text += word + " ";
  };
  if (!decoder.Open(model)) return text;
  std::vector<int32_t> samples = ReadAll(path);
  std::vector<int16_t> pcm(samples.size());
  std::transform(samples.begin(), samples.end(), pcm.begin(), ChainTo16);
  for (std::size_t at = 0; at < pcm.size(); at += 2048) {
    decoder.Feed(pcm.data() + at, std::min<std::size_t>(2048, pcm.size() - at), sink);
  }
  decoder.Finish(sink);
  return text;
}

std::string Reference(const std::string& upsampled) {
  std::string text;
  FILE* pipe = ::popen(("pocketsphinx_continuous -infile '" + upsampled + "' -logfn /dev/null").c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) text += std::string(buffer) + " ";
  ::pclose(pipe);
  return text;
}

struct Score {
  std::size_t errors = 0, words = 0;
  double cpu = 0, audio = 0;
  void Add(const Score& other) {
    errors += other.errors, words += other.words, cpu += other.cpu, audio += other.audio;
  }
};

const std::vector<std::string> kSystems = {"ours", "no-fill", "8k", "reference"};

}  // namespace

int main() {
  const std::string folder = MakeBenchFolder();
  if (folder.empty()) return 1;
  const TtsVoices& voices = TtsVoices::Installed();
  int espeak = -1;
  for (int v = 0; v < voices.Count() && espeak < 0; ++v) {
    if (voices.Name(v).find("eSpeak NG") == 0 && voices.Name(v).find("(en-us)") != std::string::npos) espeak = v;
  }
  const std::vector<std::pair<std::string, int>> voiceList = {{"flite-slt", 0}, {"flite-rms", 1}, {"espeak-en-us", espeak}};
  const SpeechRecModel& wide = SelectSpeechRecModel(0);
  SpeechRecModel narrow = wide;
  narrow.sampleRate = kLineRate;
  narrow.options = {"-nfft", "256", "-featparams", WriteNarrowbandParams(folder, wide)};

  double loadCpu = CpuSeconds();
  {
    SphinxDecoder decoder;
    if (!decoder.Open(wide)) return 1;
  }
  loadCpu = CpuSeconds() - loadCpu;

  std::mt19937 random(12345);
  std::map<std::string, std::map<std::string, Score>> table;  // condition -> system -> score
  LProgressSilent silent;
  for (const auto& [voiceName, voice] : voiceList) {
    if (voice < 0) continue;
    for (std::size_t s = 0; s < kSentences.size(); ++s) {
      const std::string base = folder + "/" + voiceName + "-" + std::to_string(s);
      LTTS job{kSentences[s], base + "-voice.wav", voice, nullptr};
      if (Process(job, silent, voices) != kProcessDone) continue;
      MakeLineFiles(job.path, base + "-clean.wav", base + "-noisy.wav", random);
      for (const char* condition : {"clean", "noisy"}) {
        const std::string line = base + "-" + condition + ".wav";
        const std::string upsampled = base + "-" + condition + "-sox16.wav";
        const std::string plain16 = base + "-" + condition + "-plain16.wav";
        if (std::system(("sox '" + line + "' -r 16000 '" + upsampled + "'").c_str()) != 0) return 1;
        LPRSourceToSink("plain", LWaveFile::OpenSource(line), LWaveFile::OpenSinkPCM(plain16, 16000, 0, 16, 1))
            .Process(silent);
        const double seconds = static_cast<double>(ReadAll(line).size()) / kLineRate;
        const std::vector<std::string> said = Words(kSentences[s]);
        for (const std::string& system : kSystems) {
          const double cpuBefore = CpuSeconds(), childBefore = ChildCpuSeconds();
          std::string heard;
          if (system == "ours") {
            LSpeechRec rec(line, "", 0);
            rec.Process(silent);
            heard = rec.Text();
          } else if (system == "no-fill") {
            heard = Decode(wide, plain16);
          } else if (system == "8k") {
            heard = Decode(narrow, line);
          } else {
            heard = Reference(upsampled);
          }
          const double cpu = CpuSeconds() - cpuBefore + ChildCpuSeconds() - childBefore;
          const Score score{WordErrors(said, Words(heard)), said.size(), cpu, seconds};
          table[voiceName + "/" + condition][system].Add(score);
          table["overall"][system].Add(score);
        }
      }
    }
    std::fprintf(stderr, "%s done\n", voiceName.c_str());
  }

  std::printf("\nWord error rate (%%) on %zu sentences per voice, 8 kHz line audio\n", kSentences.size());
  std::printf("%-22s", "condition");
  for (const std::string& system : kSystems) std::printf("%12s", system.c_str());
  std::printf("\n");
  for (const auto& [condition, systems] : table) {
    std::printf("%-22s", condition.c_str());
    for (const std::string& system : kSystems) {
      const Score& score = systems.at(system);
      std::printf("%11.1f%%", 100.0 * static_cast<double>(score.errors) / static_cast<double>(score.words));
    }
    std::printf("\n");
  }
  std::printf("%-22s", "real-time factor");
  for (const std::string& system : kSystems) {
    const Score& score = table["overall"][system];
    std::printf("%12.3f", score.cpu / score.audio);
  }
  std::printf("\nloading and freeing the model: %.3f s CPU\n", loadCpu);
  std::filesystem::remove_all(folder);
  return 0;
}
