#include "callengine/OGMCommands.h"

#include <array>

#include "audio/SoundFile.h"
#include "callengine/IVRCMain.h"
#include "callengine/MailBoxGreeting.h"
#include "callengine/ParameterText.h"
#include "callengine/RecordingDisk.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "log/LogCall.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"

namespace {

using Def = LOGMDefinition;

struct Command {
  OGMAction action;
  const char *logText;
  bool (*run)(const OGMCommands::Action &);
};

}  // namespace

bool OGMCommands::ExecuteAction(IVRCMain &controller, const std::string &ogmIni,
                                std::string_view section, std::string_view key) {
  static constexpr std::array<Command, 12> kCommands{{
      {OGMAction::kGo, "Command - Go", &Go},
      {OGMAction::kHangup, "Command - Hangup", &Hangup},
      {OGMAction::kGoodbye, "Command - Polite Hangup", &Goodbye},
      {OGMAction::kTransfer, "Command - Transfer", &ExCmdTransfer},
      {OGMAction::kDial, "Command - Dial", &Dial},
      {OGMAction::kPlay, "Command - Play", &Play},
      {OGMAction::kInvalid, "Command - Invalid Option", &Invalid},
      {OGMAction::kMailbox, "Command - Leave Message", &ExCmdMailbox},
      {OGMAction::kMailboxAccess, "Command - Mailbox Access", &MailboxAccess},
      {OGMAction::kRecord, "Command - Record", &Record},
      {OGMAction::kRepeat, "Command - Repeat", &Repeat},
      {OGMAction::kSeek, "Command - Seek (Rewind / Fast-forward)", &Seek},
  }};
  if (ogmIni.empty() || key.empty()) return false;
  const OGMAction word = ParseOGMAction(ProfileReadString(ogmIni, section, key, ""));
  for (const Command &command : kCommands) {
    if (command.action != word) continue;
    controller.CallLog().Log(command.logText);
    return command.run(Action{controller, ogmIni, section, key, LOGMDefinition(ogmIni)});
  }
  return false;  // "noresponse", empty or unknown: no action
}

// --- moving through the program ---------------------------------------------------

bool OGMCommands::Go(const Action &action) {
  const std::string name =
      action.ogm.Read(action.key, Def::ActionText::kGo, action.controller.Parameters(),
                      action.controller.CallIdentity());
  action.controller.CallLog().Log("Open OGM: ", name);
  if (!action.controller.IsOGMValid(name)) return false;  // the current OGM stays
  action.controller.StartOGMInit();
  return true;
}

bool OGMCommands::Hangup(const Action &action) {
  action.controller.Line().Drop();
  return true;
}

bool OGMCommands::Goodbye(const Action &action) {
  action.controller.GoodBye();
  return true;
}

bool OGMCommands::Invalid(const Action &action) {
  action.controller.InvalidOption();
  return true;
}

bool OGMCommands::Repeat(const Action &action) {
  action.controller.Start();
  return true;
}

bool OGMCommands::Seek(const Action &action) {
  action.controller.Line().Seek(action.ogm.SeekTime(action.key));
  return true;
}

// --- transfers and dialling -----------------------------------------------------------

// Blind (mode 0) by a hook flash and the number, or by the line's own
// transfer; confirmed (1) asks the called party; anything else listens for
// the called party's answer.
bool OGMCommands::ExCmdTransfer(const Action &action) {
  IVRCMain &controller = action.controller;
  const int mode = action.ogm.TransferMode(action.key);
  if (mode == 0) {
    controller.SetState(IVRCMain::CS_TRANSFERBLIND);
    const std::string number = TransferNumber(action, "blind");
    if (ProfileReadBool(controller.Folders().SettingsFile(), "transfer", "blindtapi", false)) {
      controller.CallLog().Log("TAPI blind transfer to: ", number);
      controller.Line().TransferBlind(number);
    } else {
      controller.Dial(number);
    }
    return true;
  }
  controller.SetState(mode == 1 ? IVRCMain::CS_TRANSFERDIAL
                                : IVRCMain::CS_TRANSFERDIALANSWERDETECT);
  const std::string number = TransferNumber(action, "confirmed");
  SetChained(action, Def::Chain::kTransferFail);
  controller.Dial(number);
  return true;
}

// [transfer] "<kind>prefix" + the action's number + "<kind>suffix", then
// expanded; at most 259 characters.
std::string OGMCommands::TransferNumber(const Action &action, const char *kind) {
  const std::string &settings = action.controller.Folders().SettingsFile();
  const std::string kindText(kind);
  std::string number =
      ProfileReadString(settings, "transfer", kindText + "prefix", "!,") +
      action.ogm.Read(action.key, Def::ActionText::kTransfer, action.controller.Parameters(),
                      action.controller.CallIdentity()) +
      ProfileReadString(settings, "transfer", kindText + "suffix", "");
  number = CutText(number);
  ExpandParameters(number, action.controller.Parameters(), action.controller.CallIdentity());
  return number;
}

bool OGMCommands::Dial(const Action &action) {
  action.controller.SetState(IVRCMain::CS_DIALCMD);
  const std::string digits =
      action.ogm.Read(action.key, Def::ActionText::kDial, action.controller.Parameters(),
                      action.controller.CallIdentity());
  SetChained(action, Def::Chain::kAfterDial);
  action.controller.Dial(digits);
  return true;
}

void OGMCommands::SetChained(const Action &action, LOGMDefinition::Chain chain) {
  action.controller.SetChainedAction(
      {action.file, std::string(action.section), LOGMDefinition::Chained(action.key, chain)});
}

// --- audio ------------------------------------------------------------------------------

bool OGMCommands::Play(const Action &action) {
  IVRCMain &controller = action.controller;
  controller.SetState(IVRCMain::CS_PLAYFILE);
  // A relative path is in the data folder, as a recording's is.
  std::string file = action.ogm.Read(action.key, Def::ActionText::kPlayFile, controller.Parameters(),
                                     controller.CallIdentity());
  if (!file.empty()) file = PathFrom(controller.Folders().Root(), file);
  LSoundSourceRef source = OpenWaveOrMp3(file);
  controller.CallLog().Log(source->IsError() ? "Error opening file: " : "Play file: ", file);
  controller.PlaySource(std::move(source));  // a bad source completes at once
  return true;
}

bool OGMCommands::ExCmdMailbox(const Action &action) {
  IVRCMain &controller = action.controller;
  const std::string name = action.ogm.Read(action.key, Def::ActionText::kMbx,
                                           controller.Parameters(), controller.CallIdentity());
  controller.CallLog().Log("Leave message for mailbox:", name);
  const std::string mailbox = LMailBox::MailBoxPath(controller.Folders().MailBoxes(), name);
  if (mailbox.empty()) {
    controller.CallLog().Log("Mailbox name refused: ", name);
    controller.GoodBye();
    return true;
  }
  controller.SetMailbox(mailbox);
  // Said before the greeting and tone invite the caller to speak.
  const std::string cannot = recording_disk::CannotRecordInto(PathFolder(mailbox));
  if (!cannot.empty()) {
    controller.SystemLog().LogError("A message could not be taken for mailbox " + name + ": " + cannot);
    controller.GoodBye();
    return true;
  }
  if (!action.ogm.IsSet(action.key, Def::ActionFlag::kMbxMessage)) {
    controller.SetState(IVRCMain::CS_MBXRECORDTONE);
    controller.PlaySystemPrompt("RecordTone");
    return true;
  }
  controller.SetState(IVRCMain::CS_MBXGREETING);
  MailBoxGreeting::Play(controller, mailbox);
  return true;
}

bool OGMCommands::MailboxAccess(const Action &action) {
  action.controller.SetState(IVRCMain::CS_ACCESSCODE);
  action.controller.DigitEntry().Clear();
  action.controller.PlaySystemPrompt("EnterAccessCode");
  return true;
}

// "RecordTone" first; its end starts the recording.
bool OGMCommands::Record(const Action &action) {
  IVRCMain &controller = action.controller;
  controller.SetState(IVRCMain::CS_RECORDTONE);
  std::string file = action.ogm.Read(action.key, Def::ActionText::kRecFile,
                                     controller.Parameters(), controller.CallIdentity());
  // Caller-supplied parameters must not steer a recording out of its folder.
  if (PathClimbsOut(file)) {
    controller.CallLog().Log("Record file refused: ", file);
    file.clear();  // recording without a file ends the call
  } else if (!file.empty()) {
    file = PathFrom(controller.Folders().Root(), file);
  }
  const std::string &settings = controller.Folders().SettingsFile();
  controller.SetUpRecording({file, action.ogm.RecordMaxTime(action.key, settings),
                             action.ogm.RecordSilence(action.key),
                             action.ogm.IsSet(action.key, Def::ActionFlag::kRecalc),
                             action.ogm.IsSet(action.key, Def::ActionFlag::kRecCat)});
  SetChained(action, Def::Chain::kRecStop);
  controller.PlaySystemPrompt("RecordTone");
  return true;
}
