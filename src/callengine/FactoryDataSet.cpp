#include "callengine/FactoryDataSet.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <vector>

#include "audio/LPRSourceToSink.h"
#include "audio/LProgressSilent.h"
#include "audio/LTTS.h"
#include "audio/LWaveFile.h"
#include "callengine/FactoryDataSetPrompts.h"
#include "callengine/LOGMFiles.h"
#include "core/CaseInsensitivePath.h"
#include "core/FirstStartSettings.h"
#include "core/Path.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxSettings.h"

namespace {

// Record tone: 1 kHz at half scale for 500 ms with 10 ms ramps.
constexpr double kToneHz = 1000;
constexpr int32_t kToneFrames = 4000;
constexpr int32_t kToneRampFrames = 80;
constexpr double kToneLevel = 0.5;

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A hidden work file next to `path`, so publishing it is one rename.
std::string PartPath(const std::string& path, std::string_view suffix) {
  return PathJoin(PathFolder(path), "." + PathFileName(path) + std::string(suffix));
}

// Moves a finished part file to its name unless something appeared there
// meanwhile: existing files are never replaced.
bool Publish(const std::string& part, const std::string& path) {
  if (!Exists(path) && std::rename(part.c_str(), path.c_str()) == 0) return true;
  const bool existed = Exists(path);
  if (!existed) Trace("FactoryDataSet rename %s FAILED: %s", path.c_str(), std::strerror(errno));
  std::remove(part.c_str());
  return existed;
}

bool WriteNewText(const std::string& path, std::string_view text) {
  if (Exists(path)) return true;
  const std::string part = PartPath(path, ".part");
  std::FILE* file = std::fopen(part.c_str(), "w");
  bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file) ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    Trace("FactoryDataSet cannot write %s", part.c_str());
    std::remove(part.c_str());
    return false;
  }
  return Publish(part, path);
}

bool WriteRecordTone(const std::string& path) {
  const std::string part = PartPath(path, ".part");
  {
    LSoundSinkRef sink = LWaveFile::OpenSinkPCM(part, FactoryDataSet::kPromptRate, 0, 16, 1);
    if (!sink || sink->IsError()) return false;
    std::vector<int32_t> samples(kToneFrames);
    for (int32_t i = 0; i < kToneFrames; ++i) {
      const int32_t edge = std::min(i, kToneFrames - 1 - i);
      const double ramp = edge < kToneRampFrames ? static_cast<double>(edge) / kToneRampFrames : 1;
      const double phase = 2 * std::numbers::pi * kToneHz * i / FactoryDataSet::kPromptRate;
      samples[i] =
          static_cast<int32_t>(std::lround(kToneLevel * ramp * std::sin(phase) * kFullScale16));
    }
    sink->Write(samples.data(), kToneFrames);
    if (sink->IsError()) return false;
  }  // the sink completes the file when it goes
  return Publish(part, path);
}

bool CopyNew(const std::string& from, const std::string& to, bool replace) {
  const std::string part = PartPath(to, ".part");
  std::error_code error;
  std::filesystem::copy_file(from, part, std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    Trace("FactoryDataSet copy %s FAILED: %s", from.c_str(), error.message().c_str());
    std::remove(part.c_str());
    return false;
  }
  if (!replace) return Publish(part, to);
  if (std::rename(part.c_str(), to.c_str()) == 0) return true;
  Trace("FactoryDataSet rename %s FAILED: %s", to.c_str(), std::strerror(errno));
  std::remove(part.c_str());
  return false;
}

const FactoryPrompt* FindPrompt(std::string_view name) {
  for (const FactoryPrompt& prompt : FactoryPrompts()) {
    if (EqualIgnoringCase(prompt.name, name)) return &prompt;
  }
  return nullptr;
}

}  // namespace

FactoryDataSet::FactoryDataSet(DataFolders folders, const TtsVoices& voices)
    : folders_(std::move(folders)), voices_(voices) {}

std::string FactoryDataSet::FactoryPath(std::string_view name) const {
  return ResolveCaseInsensitive(PathJoinExt(folders_.DefaultSystemPrompts(), name, ".wav"));
}

std::string FactoryDataSet::PromptPath(std::string_view name) const {
  return ResolveCaseInsensitive(PathJoinExt(folders_.SystemPrompts(), name, ".wav"));
}

bool FactoryDataSet::CreateMissing() const {
  if (!folders_.CreateMissing()) return false;
  bool ok = WriteFirstStartSettings(folders_.SettingsFile());
  ok = CreateDefaultOgm() && ok;
  ok = CreateDefaultMailBox() && ok;
  for (const FactoryPrompt& prompt : FactoryPrompts()) {
    const std::string factory = FactoryPath(prompt.name);
    if (!CreateFactoryPrompt(prompt)) {
      ok = false;
      continue;
    }
    const std::string copy = PromptPath(prompt.name);
    if (!Exists(copy)) ok = CopyNew(factory, copy, false) && ok;
  }
  return ok;
}

bool FactoryDataSet::RestoreSystemPrompt(std::string_view name) const {
  const FactoryPrompt* prompt = FindPrompt(name);
  if (!prompt) {
    Trace("FactoryDataSet::RestoreSystemPrompt %.*s is no factory prompt",
          static_cast<int>(name.size()), name.data());
    return false;
  }
  return CreateFactoryPrompt(*prompt) &&
         CopyNew(FactoryPath(prompt->name), PromptPath(prompt->name), true);
}

bool FactoryDataSet::CreateFactoryPrompt(const FactoryPrompt& prompt) const {
  const std::string path = FactoryPath(prompt.name);
  if (Exists(path)) return true;
  if (prompt.name == kRecordToneName) return WriteRecordTone(path);
  return RenderSpeech(prompt.words, path);
}

bool FactoryDataSet::CreateDefaultOgm() const {
  const std::string base = PathJoin(folders_.Ogms(), LOGMFiles::kDefaultName);
  const auto path = [&](std::string_view ext) {
    return ResolveCaseInsensitive(base + std::string(ext));
  };
  bool ok = WriteNewText(path(".txt"), DefaultAnsweringMessageText());
  const std::string wav = path(".wav");
  if (!Exists(wav)) ok = RenderSpeech(DefaultAnsweringMessageText(), wav) && ok;
  // The definition comes last: the OGM exists once its ".ini" does.
  return WriteNewText(path(".ini"), DefaultAnsweringMessageIni()) && ok;
}

bool FactoryDataSet::CreateDefaultMailBox() const {
  const std::string path = LMailBox::MailBoxPath(folders_.MailBoxes(), "Default");
  if (path.empty() || Exists(path)) return !path.empty();
  return LMailBoxSettings{}.Write(path);
}

bool FactoryDataSet::RenderSpeech(std::string_view words, const std::string& path) const {
  const int voice = voices_.BestEnglish();
  if (voice < 0) {
    Trace("FactoryDataSet no speech voice is installed; %s cannot be made", path.c_str());
    return false;
  }
  LProgressSilent progress;
  LTTS job{std::string(words), PartPath(path, ".speech"), voice, nullptr};
  const std::string part = PartPath(path, ".part");
  ProcessResult result = Process(job, progress, voices_);
  if (result == kProcessDone) {
    LPRSourceToSink pump("Converting " + path, LWaveFile::OpenSource(job.path),
                         LWaveFile::OpenSinkPCM(part, kPromptRate, 0, 16, 1));
    result = pump.Process(progress);
  }  // the sink completes the part file when the pump goes
  std::remove(job.path.c_str());
  if (result == kProcessDone) return Publish(part, path);
  Trace("FactoryDataSet cannot speak %s", path.c_str());
  std::remove(part.c_str());
  return false;
}
