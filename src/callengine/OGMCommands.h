#pragma once

#include <string>
#include <string_view>

#include "callengine/IVRCCommands.h"
#include "callengine/LOGMDefinition.h"

// The commands behind an OGM's action words: go, hangup, goodbye, transfer,
// dial, play, invalid, mailbox, mailboxaccess, record, repeat and seek.
// Each one logs its "Command - " line and drives the controller; the words
// are read as stored now, so an edited OGM takes effect at the next key.
// Holds no call state: one instance serves every line.
class OGMCommands final : public IVRCCommands {
 public:
  // An action's reads: the OGM file and section, and the key it is stored
  // under, whose text prefixes the action's own keys ("press1go").
  struct Action {
    IVRCMain &controller;
    const std::string &file;
    std::string_view section;
    std::string_view key;
    LOGMDefinition ogm;
  };

  bool ExecuteAction(IVRCMain &controller, const std::string &ogmIni, std::string_view section,
                     std::string_view key) override;

 private:
  static bool Go(const Action &action);
  static bool Hangup(const Action &action);
  static bool Goodbye(const Action &action);
  static bool ExCmdTransfer(const Action &action);
  static bool Dial(const Action &action);
  static bool Play(const Action &action);
  static bool Invalid(const Action &action);
  static bool ExCmdMailbox(const Action &action);
  static bool MailboxAccess(const Action &action);
  static bool Record(const Action &action);
  static bool Repeat(const Action &action);
  static bool Seek(const Action &action);

  static void SetChained(const Action &action, LOGMDefinition::Chain chain);
  static std::string TransferNumber(const Action &action, const char *kind);
};
