#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/OGMAction.h"

// One OGM as stored in its ".ini" file (section "ivr" and the per-action
// keys). Nothing is cached: every call reads the file as it is now, so an
// edit takes effect at the next use. Missing keys, unknown words and values
// of the wrong type read as the defaults. The [datetime] and [cid] checks
// belong to LOGMResolver, the number-entry keys to LNumberEntry.
class LOGMDefinition {
 public:
  // Bounds for what a stored file can make the controller do or hold.
  static constexpr int kMaxPrograms = 64;
  static constexpr std::size_t kMaxSpokenText = 32 * 1024;

  // [ivr] booleans.
  enum class Flag {
    kAnswer, kPlayTts, kPlayEx, kReadNumber, kLog, kAnnounceCall, kRun, kRunAsPlugin,
    kRunCompleteSkip,
  };
  // [ivr] integers; "wait" is in seconds.
  enum class Number { kWait, kRepeat, kPlayTtsVoice, kReadNumberType };
  // [ivr] texts; those the definition marks so are expanded when read.
  enum class Text { kLogName, kLogLine, kAnnouncePlay };
  // Per-action texts, stored under prefix + suffix. All but "transfer" are
  // expanded when read; the transfer number is expanded once composed.
  enum class ActionText { kGo, kTransfer, kDial, kPlayFile, kMbx, kRecFile };
  // Per-action booleans.
  enum class ActionFlag { kMbxMessage, kRecalc, kRecCat };
  // The keys that chain a further action after transfer, dial or record.
  enum class Chain { kTransferFail, kAfterDial, kRecStop };

  // The audio an OGM plays: a WAVE file, or MP3 when `mp3`.
  struct Audio {
    std::string path;
    bool mp3 = false;
    bool exists = false;  // a missing file plays nothing
  };

  // `iniPath` is the OGM's full ".ini" path, as the controller holds it.
  explicit LOGMDefinition(std::string iniPath) : iniPath_(std::move(iniPath)) {}

  const std::string& IniPath() const { return iniPath_; }
  // The OGM's name: the file title of its ".ini".
  std::string Name() const;

  // "type" is "enternumber" in any case.
  bool IsNumberEntry() const;
  bool IsSet(Flag flag) const;
  int Value(Number number) const;
  std::string Read(Text text, const LHashTable& parms, const LCallIdentity& call) const;
  // "readnumbervar" without its "%" characters.
  std::string ReadNumberVariable() const;

  // The action of "press" + `key` ("press1", "press#", "pressA").
  OGMAction KeyAction(char key) const;
  // The action stored under a prefix: "playcomplete" or a chained key.
  OGMAction Action(std::string_view prefix) const;
  // The key name of the action chained after `prefix`, itself a prefix.
  static std::string Chained(std::string_view prefix, Chain chain);

  std::string Read(std::string_view prefix, ActionText text, const LHashTable& parms,
                   const LCallIdentity& call) const;
  bool IsSet(std::string_view prefix, ActionFlag flag) const;
  // 0 blind, 1 confirmed, 2 confirmed with answer detection.
  int TransferMode(std::string_view prefix) const;
  // Milliseconds; the default is [settings] "maxrectime" of `settingsFile`.
  int RecordMaxTime(std::string_view prefix, const std::string& settingsFile) const;
  int RecordSilence(std::string_view prefix) const;
  // Signed milliseconds; negative rewinds.
  int SeekTime(std::string_view prefix) const;

  // "runcount", at most kMaxPrograms, whether or not "run" is set.
  int ProgramCount() const;
  // The command line "run<number>" (1-based), expanded as it stands now: a
  // plug-in's results reach the programs after it. Each value expanded into
  // it is part of one argument.
  struct CommandLine {
    std::string text;  // as written, expanded: for the call log
    std::vector<std::string> arguments;
  };
  CommandLine Program(int number, const LHashTable& parms, const LCallIdentity& call) const;

  // The file to play: "playexfile" when "playex" is set, else name + ".wav";
  // relative names are in the OGM's folder, looked up without regard to
  // case. The path is given even when the file does not exist, so the call
  // log can say which file is missing. "playtts" is the controller's choice
  // and is not considered here.
  Audio AudioFile(const LHashTable& parms, const LCallIdentity& call) const;

  // The text of name + ".txt", at most kMaxSpokenText bytes (cut without
  // splitting a UTF-8 character); empty when there is no such file.
  std::string SpokenText() const;

 private:
  std::string CompanionPath(std::string_view ext) const;

  std::string iniPath_;
};
