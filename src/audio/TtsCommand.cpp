#include "audio/TtsCommand.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/LProgressConsole.h"
#include "audio/LTTS.h"
#include "core/CommandLine.h"
#include "core/UniqueFd.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zavotel tts TEXT OUT.wav [--voice N]\n"
               "       zavotel tts --list-voices\n");
  return kExitUsage;
}

int NoVoices() {
  std::fprintf(stderr, "zavotel: %s\n", kNoSpeechEngineMessage);
  return kExitFailed;
}

int ListVoices(const TtsVoices& voices) {
  if (voices.Count() == 0) return NoVoices();
  for (int i = 0; i < voices.Count(); ++i) std::printf("%3d  %s\n", i, voices.Name(i).c_str());
  return 0;
}

bool ParseVoice(const std::string& text, int& voice) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, voice);
  return error == std::errc() && stop == end && voice >= 0;
}

// A fresh file beside `path` (one file system, so the final rename is atomic).
std::string CreatePartFile(const std::string& path) {
  std::string part = path + ".partXXXXXX";
  UniqueFd fd(::mkstemp(part.data()));
  return fd.Valid() ? part : std::string();
}

int Speak(const std::string& text, const std::string& out, int voice, const TtsVoices& voices) {
  if (voices.Count() == 0) return NoVoices();
  if (voice >= voices.Count()) {
    std::fprintf(stderr, "zavotel: there is no voice %d (see zavotel tts --list-voices)\n", voice);
    return kExitUsage;
  }
  const std::string part = CreatePartFile(out);
  if (part.empty()) {
    std::fprintf(stderr, "zavotel: %s: %s\n", out.c_str(), std::strerror(errno));
    return kExitFailed;
  }
  LTTS job{text, part, voice, nullptr};
  ProcessResult result;
  {
    LProgressConsole progress(stderr, true);
    result = Process(job, progress, voices);
  }
  if (result == kProcessDone && ::rename(part.c_str(), out.c_str()) == 0) return 0;
  const int error = errno;
  ::unlink(part.c_str());
  if (result == kProcessCancelled) {
    std::fprintf(stderr, "zavotel: interrupted\n");
    return kExitInterrupted;
  }
  std::fprintf(stderr, "zavotel: %s: %s\n", out.c_str(),
               result == kProcessDone ? std::strerror(error) : "speech synthesis failed");
  return kExitFailed;
}

}  // namespace

int RunTtsCommand(const CommandLine& line) {
  const std::vector<std::string>& args = line.arguments;
  const TtsVoices& voices = TtsVoices::Installed();
  if (args.size() == 1 && args[0] == "--list-voices") return ListVoices(voices);
  std::vector<std::string> plain;
  int voice = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--voice" && i + 1 < args.size()) {
      if (!ParseVoice(args[++i], voice)) {
        std::fprintf(stderr, "zavotel: --voice needs a voice number, not %s\n", args[i].c_str());
        return kExitUsage;
      }
    } else if (args[i].rfind("--", 0) == 0) {
      return Usage();
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 2 || plain[1].empty()) return Usage();
  return Speak(plain[0], plain[1], voice, voices);
}
