#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"
#include "callengine/IVRCCommands.h"
#include "callengine/IVRCMainWindow.h"
#include "callengine/IVRCProgramRunner.h"
#include "callengine/IVRCServices.h"
#include "callengine/IVRCVoiceMail.h"
#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/LNumberEntry.h"
#include "callengine/LOGMDefinition.h"
#include "callengine/LOGMResolver.h"
#include "core/DataFolders.h"
#include "core/LClock.h"
#include "log/LogCall.h"
#include "telephony/line/LLineBase.h"
#include "telephony/line/LLineNotify.h"

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

  // Installs itself as the default handler of `line`. `mainWindow` may be
  // null (no main window: nothing is posted). All references must outlive
  // the controller.
  IVRCMain(LLineBase &line, uint8_t lineIndex, const DataFolders &folders, const LClock &clock,
           LogFile &logFile, IVRCMainWindow *mainWindow);
  ~IVRCMain() override;

  // The commands behind the OGM actions, the voice-mail dialogues and the
  // engine's services. Null (the default) takes no action, drops a call
  // that enters a voice-mail dialogue, and plays silence for speech. Each
  // must outlive the controller or be replaced first.
  void SetCommands(IVRCCommands *commands) { commands_ = commands; }
  void SetVoiceMail(IVRCVoiceMail *voiceMail) { voiceMail_ = voiceMail; }
  void SetServices(IVRCServices *services) { services_ = services; }

  // A chained action: the key to take in `file` once a transfer, dial or
  // recording has finished.
  struct ChainedAction {
    std::string file;
    std::string section;
    std::string key;
  };
  // The recording a "record" action or a voice-mail dialogue sets up.
  struct Recording {
    std::string file;  // empty when none is pending or running
    int32_t maxMs = 0;
    int32_t silenceMs = 0;
    bool levelling = false;  // queue the file for gain levelling afterwards
    bool append = false;
  };

  // --- notifications of the line ------------------------------------------
  bool Answer(int ring) override;
  void lnntfStart() override;
  void lnntfPress(char key) override;
  void lnntfDialComplete() override;
  void lnntfPlayComplete() override;
  void lnntfWaitComplete() override;
  void lnntfRecordComplete() override;
  void lnntfRecordPosition(uint32_t ms) override;
  void lnntfPlayPosition(uint32_t ms) override;
  void lnntfFax() override;
  void lnntfEndOfCallBusyTone() override;
  void lnntfTransferPartyGone() override;
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
  // Plays "GoodBye"; its end drops the call.
  void GoodBye();

  // The paced dialler: digit groups split at "," with 750 ms per comma; an
  // empty string or one of 64 characters or more completes at once.
  void Dial(const std::string &digits);
  // The confirmed transfer's outcomes: "confirmedcomplete" or
  // "confirmedreject" is dialled.
  void TransferAccepted();
  void TransferRejected();
  // Stores the recording to make; a recording still set is finished first.
  void SetUpRecording(Recording recording);
  // Records the caller into the recording's file.
  void RecordStart();
  // Finishes the recording: saves or discards a message, queues levelling.
  void RecordComplete();
  // Takes the chained action; false when none was taken.
  bool ExecuteChainedAction();
  // Listens to the called party; the verdict is polled at record positions.
  void StartAnswerDetection();

  // Entry points of the outbound and forward calls.
  void OutBoundAnswered(bool machine);
  void OutBoundTimeout();
  void ForwardFailed();

  CallState State() const { return state_; }
  void SetState(CallState state) { state_ = state; }
  int32_t InputModeValue() const { return inputMode_; }
  uint8_t RepeatCounter() const { return repeatCounter_; }
  // The keys collected at a number-entry node or for an access code.
  const std::string &Digits() const { return numberEntry_.Digits(); }
  LNumberEntry &DigitEntry() { return numberEntry_; }
  // Counts a wrong access code of this call; the count so far.
  int CountWrongAccessCode() { return ++wrongAccessCodes_; }
  const std::string &CurrentOGM() const { return currentOgm_; }
  LHashTable &Parameters() { return parms_; }
  const LHashTable &Parameters() const { return parms_; }
  const LCallIdentity &CallIdentity() const { return call_; }
  LLineBase &Line() { return line_; }
  LogCall &CallLog() { return callLog_; }
  LogFile &SystemLog() { return logFile_; }
  const DataFolders &Folders() const { return folders_; }
  const LClock &Clock() const { return clock_; }
  uint8_t LineIndex() const { return lineIndex_; }
  // Posts to the main window; nothing while there is none.
  void Post(uint32_t id, int64_t wParam, int64_t lParam, std::string text = {});

  // The chained action; setting one flushes the previous file's cached copy.
  void SetChainedAction(ChainedAction action);
  const Recording &RecordingSettings() const { return recording_; }
  // Why the recording's file sink failed (errno), 0 while it works.
  int RecordFailure() const { return recordFailure_ ? recordFailure_->load() : 0; }
  void ClearRecordFile() {
    recording_.file.clear();
    recordFailure_.reset();
  }
  // Voice mail: the current mailbox (".mbx"), message record and the time
  // stamp reached in the remote-access walk.
  const std::string &Mailbox() const { return mailbox_; }
  void SetMailbox(std::string path) { mailbox_ = std::move(path); }
  const std::string &Message() const { return message_; }
  void SetMessage(std::string path) { message_ = std::move(path); }
  int64_t MessagePosition() const { return messagePosition_; }
  void SetMessagePosition(int64_t position) { messagePosition_ = position; }
  // Outbound calls: the list entry being called.
  const std::string &OutboundEntry() const { return outboundEntry_; }
  void SetOutboundEntry(std::string entry) { outboundEntry_ = std::move(entry); }
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
  // The OGM a call is answered with, and which setting chose it.
  struct AnswerChoice {
    std::string ogm;
    const char *chosenBy;
  };
  AnswerChoice AnswerOgm(int ring, int ringsNeeded, bool &enabled) const;
  void LogPlaceFailure(const char *what, const std::string &number);
  // Says in the system log why a call is left ringing when its OGM is missing.
  void LogMissingOgm(const AnswerChoice &choice) const;
  void FlashCallerId();
  void SetCallParameters();
  int NextCallSequenceNo();
  void AppendUserLog();
  void AnnounceCall();
  void RefreshCallIdentity();
  void SkipToEnd();
  void StartForwardCall();
  void StartOutboundCall();
  LSoundSourceRef OpenSpeech();
  LSoundSourceRef OpenOgmAudio();
  LSoundSourceRef OpenReadNumber();

  // Notification rows, one per state group.
  void PressNumberEntry(char key);
  void PressMenu(char key);
  void PressLeaveMessage(char key);
  void PressRecording(char key);
  void PressTransferQuery(char key);
  void PressForward(char key);
  void PlayCompleteInMenu(CallState state);
  void PlayCompleteRecordTone();
  void RepeatOrElse(std::string_view prompt, void (IVRCMain::*otherwise)());
  void WaitCompleteOgm();
  void StayOnTransferredCall(const char *stayText, const char *dropText);
  bool VoiceMailReady();
  void ContinueDial();
  void AfterDial(CallState state);
  void AnswerDetected(uint8_t result);
  std::string OutboundOgm(bool machine) const;
  void RescheduleOutbound(int attemptsLeft);
  std::string EntryParameter(const std::string &name) const;
  int32_t RecordThreshold() const;
  // The system log and the status hear of little space before a recording
  // and of a disk that refused one.
  void CheckDiskSpace();
  void ReportRecordFailure();
  bool UseConferenceCall() const;

  LLineBase &line_;
  const uint8_t lineIndex_;
  const std::string lineSection_;
  std::string currentOgm_;
  int32_t inputMode_ = kInputNone;
  CallState state_ = CS_IDLE;
  uint8_t repeatCounter_ = 0;
  bool numberAfterSpeech_ = false;  // "readnumber" waits for the OGM's speech to end
  LNumberEntry numberEntry_;  // the digits, at most 31
  int wrongAccessCodes_ = 0;  // of the call in progress
  ChainedAction chained_;
  std::string mailbox_;
  std::string message_;
  int64_t messagePosition_ = 0;
  Recording recording_;
  LSoundSinkBase::Failure recordFailure_;  // its file sink's, once it started
  LHashTable parms_;
  CallState savedState_ = CS_IDLE;  // what a paced dial is for
  std::string dialRemainder_;
  // The called party left while the transfer was still being dialled.
  bool transferPartyGone_ = false;
  IVRCServices::AnswerResult answerResult_;  // null while no detection runs
  LogCall callLog_;
  IVRCProgramRunner runner_{callLog_};
  uint64_t lastActivity_ = 0;
  std::string outboundEntry_;

  const DataFolders &folders_;
  const LClock &clock_;
  LogFile &logFile_;
  IVRCMainWindow *const mainWindow_;  // null while no main window exists
  IVRCCommands *commands_ = nullptr;  // null: no action is ever taken
  IVRCVoiceMail *voiceMail_ = nullptr;
  IVRCServices *services_ = nullptr;
  LCallIdentity call_;                // the line's call data, as expansion sees it
  LOGMResolver resolver_;
};
