#include "callengine/LOGMDefinition.h"

#include <algorithm>
#include <array>

#include "callengine/OGMKeys.h"
#include "callengine/ParameterText.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/Trace.h"
#include "plugins/SplitCommandLine.h"

namespace {

using namespace ogm_keys;

template <typename Row, std::size_t N, typename Enum>
const Row& At(const std::array<Row, N>& table, Enum which) {
  return table[static_cast<std::size_t>(which)];
}

std::string Key(std::string_view prefix, std::string_view suffix) {
  std::string key(prefix);
  key += suffix;
  return key;
}

std::string Expand(std::string text, const LHashTable& parms, const LCallIdentity& call,
                   Expansion expansion = Expansion::kText) {
  if (expansion == Expansion::kText) ExpandParameters(text, parms, call);
  if (expansion == Expansion::kPath) ExpandPathParameters(text, parms, call);
  return text;
}

bool IsMp3(std::string_view path) {
  return path.size() >= 4 && EqualIgnoringCase(path.substr(path.size() - 4), ".mp3");
}

}  // namespace

std::string LOGMDefinition::Name() const { return PathTitle(iniPath_); }

bool LOGMDefinition::IsNumberEntry() const {
  return EqualIgnoringCase(ProfileReadString(iniPath_, kIvr, kType.key, kType.defaultValue), kNumberEntryType);
}

bool LOGMDefinition::IsSet(Flag flag) const {
  const BoolKey& row = At(kFlags, flag);
  return ProfileReadBool(iniPath_, kIvr, row.key, row.defaultValue);
}

int LOGMDefinition::Value(Number number) const {
  const IntKey& row = At(kNumbers, number);
  return ProfileReadInt(iniPath_, kIvr, row.key, row.defaultValue);
}

std::string LOGMDefinition::Read(Text text, const LHashTable& parms,
                                 const LCallIdentity& call) const {
  const TextKey& row = At(kTexts, text);
  return Expand(ProfileReadString(iniPath_, kIvr, row.key, row.defaultValue), parms, call);
}

std::string LOGMDefinition::ReadNumberVariable() const {
  return StripPercent(ProfileReadString(iniPath_, kIvr, kReadNumberVar, ""));
}

OGMAction LOGMDefinition::KeyAction(char key) const {
  return Action(Key("press", std::string_view(&key, 1)));
}

OGMAction LOGMDefinition::Action(std::string_view prefix) const {
  return ParseOGMAction(ProfileReadString(iniPath_, kIvr, prefix, "noresponse"));
}

std::string LOGMDefinition::Chained(std::string_view prefix, Chain chain) {
  return Key(prefix, At(kChains, chain));
}

std::string LOGMDefinition::Read(std::string_view prefix, ActionText text,
                                 const LHashTable& parms, const LCallIdentity& call) const {
  const SuffixKey& row = At(kActionTexts, text);
  std::string value = ProfileReadString(iniPath_, kIvr, Key(prefix, row.suffix), "");
  return Expand(std::move(value), parms, call, row.expansion);
}

bool LOGMDefinition::IsSet(std::string_view prefix, ActionFlag flag) const {
  const BoolKey& row = At(kActionFlags, flag);
  return ProfileReadBool(iniPath_, kIvr, Key(prefix, row.key), row.defaultValue);
}

int LOGMDefinition::TransferMode(std::string_view prefix) const {
  return ProfileReadInt(iniPath_, kIvr, Key(prefix, kTransferMode.key), kTransferMode.defaultValue);
}

int LOGMDefinition::RecordMaxTime(std::string_view prefix, const std::string& settingsFile) const {
  int fallback =
      ProfileReadDuration(settingsFile, "settings", "maxrectime", kDefaultMaxRecordMs);
  return ProfileReadDuration(iniPath_, kIvr, Key(prefix, kMaxTime.key), fallback);
}

int LOGMDefinition::RecordSilence(std::string_view prefix) const {
  return ProfileReadDuration(iniPath_, kIvr, Key(prefix, kSilenceDetect.key), kSilenceDetect.defaultValue);
}

int LOGMDefinition::SeekTime(std::string_view prefix) const {
  return ProfileReadDuration(iniPath_, kIvr, Key(prefix, kSeekTime.key), kSeekTime.defaultValue);
}

int LOGMDefinition::ProgramCount() const {
  const int count = ProfileReadInt(iniPath_, kIvr, kRunCount, 0);
  if (count > kMaxPrograms) {
    Trace("LOGMDefinition %s: runcount %d cut to %d", iniPath_.c_str(), count, kMaxPrograms);
    return kMaxPrograms;
  }
  return std::max(count, 0);
}

// Split before expansion, so a value stays inside its argument whatever
// quotes or spaces it holds.
LOGMDefinition::CommandLine LOGMDefinition::Program(int number, const LHashTable& parms,
                                                    const LCallIdentity& call) const {
  const std::string line =
      ProfileReadString(iniPath_, kIvr, std::string(kRunPrefix) + std::to_string(number), "");
  CommandLine command{Expand(line, parms, call), {}};
  for (std::string& argument : SplitCommandLine(line)) {
    command.arguments.push_back(Expand(std::move(argument), parms, call));
  }
  return command;
}

LOGMDefinition::Audio LOGMDefinition::AudioFile(const LHashTable& parms,
                                                const LCallIdentity& call) const {
  std::string ownWave = PathFileName(CompanionPath(".wav"));
  std::string file = ownWave;
  if (IsSet(Flag::kPlayEx)) {
    file = Expand(ProfileReadString(iniPath_, kIvr, kPlayExFile, ownWave), parms, call,
                  Expansion::kPath);
  }
  std::string path = ResolveCaseInsensitive(PathFrom(PathFolder(iniPath_), file));
  if (file.empty() || !IsRegularFile(path)) {
    Trace("LOGMDefinition %s: no audio file \"%s\"", iniPath_.c_str(), file.c_str());
    return Audio{path, false, false};
  }
  return Audio{path, IsMp3(path), true};
}

std::string LOGMDefinition::SpokenText() const {
  std::string path = CompanionPath(".txt");
  // One byte more tells a file of exactly the bound from a longer one.
  std::string text = ReadFileText(path, kMaxSpokenText + 1).value_or("");
  if (text.size() > kMaxSpokenText) {
    Trace("LOGMDefinition %s: text cut to %zu bytes", path.c_str(), kMaxSpokenText);
    text = CutText(text, kMaxSpokenText);
  }
  return text;
}

std::string LOGMDefinition::CompanionPath(std::string_view ext) const {
  return ResolveCaseInsensitive(PathReplaceExtension(iniPath_, ext));
}

