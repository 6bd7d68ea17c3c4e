#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "audio/LSoundSourceBase.h"
#include "callengine/IVRCCommands.h"
#include "callengine/IVRCMainWindow.h"
#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/LNumberEntry.h"
#include "callengine/LOGMDefinition.h"
#include "callengine/LOGMResolver.h"
#include "core/DataFolders.h"
#include "core/LClock.h"
#include "log/LogCall.h"
#include "plugins/Plugin.h"
#include "telephony/LLineBase.h"
#include "telephony/LLineNotify.h"

class LogFile;

// The call controller of one line: decides whether to answer a ring, runs
// the caller through the user's OGM tree and reacts to every notification
// of its line. Everything it does is driven by `State()`. All notifications
// arrive on the main thread one at a time, so it holds no lock.
class IVRCMain : public LLineNotify {
 public:
  enum CallState : int32_t {
    CS_IDLE = 0,
    CS_ANSWERING = 1,
    CS_OGM = 2,
    CS_INVALID = 3,
    CS_PLAYFILE = 4,
    CS_TRANSFERBLIND = 5,
    CS_TRANSFERDIAL = 6,
    CS_TRANSFERDIALANSWERDETECT = 7,
    CS_TRANSFERQUERY = 8,
    CS_TRANSFERREJECT = 9,
    CS_TRANSFERACCEPT = 10,
    CS_DIALCMD = 11,
    CS_MBXGREETING = 12,
    CS_MBXRECORDTONE = 13,
    CS_MBXRECORD = 14,
    CS_MBXREVIEW = 15,
    CS_MBXMENU = 16,
    CS_RECORDTONE = 17,
    CS_RECORD = 18,
    CS_ACCESSCODE = 19,
    CS_MSGPLAY = 20,
    CS_MSGMENU = 21,
    CS_MSGMOVECODE = 22,
    CS_NOMOREMSGS = 23,
    CS_MBXSETUP = 24,
    CS_MBXSETUPPLAY = 25,
    CS_MBXSETUPRECORD = 26,
    CS_FORWARD = 27,
    CS_FORWARDPLAY = 28,
    CS_OUTBOUND = 29,
    CS_FAXDIAL = 30,
    CS_DIALING = 31,
    CS_GOODBYE = 32,
  };
  enum InputMode : int32_t { kInputNone = 0, kInputMenu = 1, kInputNumber = 2 };

  // The default OGM when the settings name none.
  static constexpr const char *kDefaultOgm = "Default Answering Message";

  // Installs itself as the default handler of `line`. `mainWindow` may be
  // null (no main window: nothing is posted). All references must outlive
  // the controller.
  IVRCMain(LLineBase &line, uint8_t lineIndex, const DataFolders &folders, const LClock &clock,
           LogFile &logFile, IVRCMainWindow *mainWindow);
  ~IVRCMain() override;

  // The commands behind the OGM actions; null (the default) takes none.
  // `commands` must outlive the controller or be replaced first.
  void SetCommands(IVRCCommands *commands) { commands_ = commands; }

  // --- notifications of the line ------------------------------------------
  bool Answer(int ring) override;
  void lnntfStart() override;
  void lnntfPress(char key) override;
  void lnntfPlayComplete() override;
  void lnntfWaitComplete() override;
  void lnntfDisconnect() override;

  // --- operations used by other parts --------------------------------------
  // Enters the current OGM: its log line and announcement, then Start.
  void StartOGMInit();
  // (Re)starts the current OGM from its audio with its repeats and no digits.
  void Start();
  void PlayOGM();
  // Puts the configured prompt processing in front of `source` and plays it.
  void PlaySource(LSoundSourceRef source);
  // Resolves `name` through the validity checks; on success it becomes the
  // current OGM.
  bool IsOGMValid(const std::string &name);
  // The action under `key` of `section` in `file`; true when one was taken.
  bool ExecuteAction(const std::string &file, std::string_view section, std::string_view key);
  // Plays the system prompt `name`; a missing prompt is reported and plays
  // as an empty source.
  void PlaySystemPrompt(std::string_view name);
  // Both play their prompt; its end restarts the current OGM.
  void InvalidOption();
  void InvalidNumber();

  CallState State() const { return state_; }
  void SetState(CallState state) { state_ = state; }
  int32_t InputModeValue() const { return inputMode_; }
  uint8_t RepeatCounter() const { return repeatCounter_; }
  // The keys collected so far at a number-entry node.
  const std::string &Digits() const { return numberEntry_.Digits(); }
  const std::string &CurrentOGM() const { return currentOgm_; }
  const LHashTable &Parameters() const { return parms_; }
  uint64_t LastActivity() const { return lastActivity_; }
  void SetLastActivity(uint64_t tick) { lastActivity_ = tick; }
  const std::string &LineSection() const { return lineSection_; }
  // [line%d] "name", else the section name.
  std::string LineName() const;
  const std::string &MostRecentCallFile() const { return callLog_.FilePath(); }

 private:
  bool SettingBool(const char *section, const char *key, bool defaultValue) const;
  // The current OGM's definition, read as the file is now.
  LOGMDefinition Ogm() const { return LOGMDefinition(currentOgm_); }

  int RingsNeeded() const;
  std::string AnswerOgm(int ring, int ringsNeeded, bool &enabled) const;
  void FlashCallerId();
  void SetCallParameters();
  int NextCallSequenceNo();
  void AppendUserLog();
  void AnnounceCall();
  void RefreshCallIdentity();
  void PressNumberEntry(char key);
  void Post(uint32_t id, int64_t wParam, int64_t lParam, std::string text = {});

  LLineBase &line_;
  const uint8_t lineIndex_;
  const std::string lineSection_;
  std::string currentOgm_;
  int32_t inputMode_ = kInputNone;
  CallState state_ = CS_IDLE;
  uint8_t repeatCounter_ = 0;
  LNumberEntry numberEntry_;  // the digits, at most 31
  LHashTable parms_;
  Plugin plugin_;
  LogCall callLog_;
  uint64_t lastActivity_ = 0;

  const DataFolders &folders_;
  const LClock &clock_;
  LogFile &logFile_;
  IVRCMainWindow *const mainWindow_;  // null while no main window exists
  IVRCCommands *commands_ = nullptr;  // null: no action is ever taken
  LCallIdentity call_;                // the line's call data, as expansion sees it
  const LOGMResolver resolver_;
};
