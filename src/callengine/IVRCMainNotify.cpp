// The call controller's answers to its line's notifications, state by
// state. A notification in a state that does not expect it drops the call,
// so a call never hangs without a pending operation.
#include <algorithm>
#include <utility>

#include "audio/LWaveFile.h"
#include "callengine/IVRCMain.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "core/TextFormat.h"
#include "core/Trace.h"
#include "log/LogCall.h"

namespace {

constexpr const char *kIvrSection = "ivr";
// How long each menu waits for a key once its prompt has ended.
constexpr int32_t kMailboxMenuWaitMs = 15000;
constexpr int32_t kAccessCodeWaitMs = 20000;
constexpr int32_t kMessageMenuWaitMs = 5000;
constexpr int32_t kNoMoreMessagesWaitMs = 10000;
constexpr int32_t kSetupWaitMs = 20000;
// Staying on a transferred call ends after this much silence or time.
constexpr int32_t kConferenceSilenceMs = 25000;
constexpr int32_t kConferenceMaxMs = 3600000;

constexpr uint8_t kAnswerPerson = IVRCServices::kAnswerPerson;
constexpr uint8_t kAnswerMachine = IVRCServices::kAnswerMachine;
constexpr uint8_t kAnswerNone = IVRCServices::kAnswerNone;

std::string PressKey(char key) { return TextFormat("press%c", key); }

}  // namespace

// --- keys ----------------------------------------------------------------------

// The keys of an access code are logged as "*": the logs are shown in the
// console and kept for long.
void IVRCMain::lnntfPress(char key) {
  const bool secret = state_ == CS_ACCESSCODE || state_ == CS_MSGMOVECODE;
  callLog_.Log(TextFormat("Caller pressed key [%c]", secret ? '*' : key));
  switch (state_) {
    case CS_OGM:
    case CS_INVALID:
    case CS_PLAYFILE:
    case CS_RECORDTONE:
      // Read once: the entry's action may lead to a menu, which must not
      // take the same key again.
      if (inputMode_ == kInputNumber) {
        PressNumberEntry(key);
      } else if (inputMode_ == kInputMenu) {
        PressMenu(key);
      }
      return;
    case CS_TRANSFERQUERY:
      PressTransferQuery(key);
      return;
    case CS_MBXGREETING:
    case CS_MBXRECORDTONE:
    case CS_MBXRECORD:
    case CS_MBXREVIEW:
    case CS_MBXMENU:
      PressLeaveMessage(key);
      return;
    case CS_RECORD:
      PressRecording(key);
      return;
    case CS_ACCESSCODE:
    case CS_MSGMOVECODE:
      if (VoiceMailReady()) voiceMail_->CodeEntry(*this, key);
      return;
    case CS_FORWARDPLAY:
      state_ = CS_MSGPLAY;
      [[fallthrough]];
    case CS_MSGPLAY:
    case CS_MSGMENU:
    case CS_NOMOREMSGS:
      if (VoiceMailReady()) voiceMail_->MessageMenu(*this, key);
      return;
    case CS_MBXSETUP:
    case CS_MBXSETUPPLAY:
    case CS_MBXSETUPRECORD:
      if (VoiceMailReady()) voiceMail_->SetupMenu(*this, key);
      return;
    case CS_FORWARD:
      PressForward(key);
      return;
    default:
      return;
  }
}

// A key without an action leaves the OGM playing.
void IVRCMain::PressMenu(char key) { ExecuteAction(currentOgm_, kIvrSection, PressKey(key)); }

void IVRCMain::PressNumberEntry(char key) {
  const LNumberEntry::Result result = numberEntry_.Press(key, currentOgm_, parms_, call_);
  if (!result.refusedListFile.empty()) callLog_.Log("List file refused: ", result.refusedListFile);
  if (result.entry == LNumberEntry::Entry::kInvalid) {
    InvalidNumber();
  } else if (result.entry == LNumberEntry::Entry::kAccepted) {
    parms_.SetParm(result.variable, result.digits);
    if (!ExecuteAction(currentOgm_, kIvrSection, "press#")) line_.Drop();
  }
  if (result.pressStar) ExecuteAction(currentOgm_, kIvrSection, "press*");
}

void IVRCMain::PressTransferQuery(char key) {
  if (key == '1') TransferAccepted();
  if (key == '2') TransferRejected();
}

// While a message is being left: "#" menu, "1" record again, "2" review,
// "9" save and goodbye; any other key saves and takes the OGM's action.
void IVRCMain::PressLeaveMessage(char key) {
  line_.Stop();
  switch (key) {
    case '#':
      state_ = CS_MBXMENU;
      PlaySystemPrompt("MailboxMenu");
      return;
    case '1':
      state_ = CS_MBXRECORDTONE;
      PlaySystemPrompt("RecordTone");
      return;
    case '2':
      state_ = CS_MBXREVIEW;
      PlaySource(LWaveFile::OpenSource(recording_.file));
      return;
    case '9':
      RecordComplete();
      GoodBye();
      return;
    default:
      PressRecording(key);
  }
}

void IVRCMain::PressRecording(char key) {
  line_.Stop();
  RecordComplete();
  if (!ExecuteAction(currentOgm_, kIvrSection, PressKey(key))) line_.Drop();
}

void IVRCMain::PressForward(char key) {
  if (key == '1' && VoiceMailReady()) voiceMail_->ForwardAccepted(*this);
  if (key == '2' || key == '9') ForwardFailed();
}

bool IVRCMain::VoiceMailReady() {
  if (voiceMail_) return true;
  Trace("IVRCMain has no voice mail so dropping call");
  line_.Drop();
  return false;
}

// --- dialling ------------------------------------------------------------------

void IVRCMain::lnntfDialComplete() {
  callLog_.Log("Dialing complete");
  if (state_ == CS_DIALING) {
    ContinueDial();
    return;
  }
  AfterDial(state_);
}

void IVRCMain::AfterDial(CallState state) {
  switch (state) {
    case CS_TRANSFERBLIND:
      StayOnTransferredCall("Blind transfer complete simulate by hanging on line",
                            "Blind transfer complete so drop call");
      return;
    case CS_TRANSFERDIAL:
      if (std::exchange(transferPartyGone_, false)) return TransferRejected();
      state_ = CS_TRANSFERQUERY;
      repeatCounter_ = static_cast<uint8_t>(
          std::clamp(ProfileReadInt(folders_.SettingsFile(), "transfer", "confirmedrepeat", 7), 0,
                     int{UINT8_MAX}));
      PlaySystemPrompt("TransferQuery");
      return;
    case CS_TRANSFERDIALANSWERDETECT:
      if (std::exchange(transferPartyGone_, false)) return TransferRejected();
      StartAnswerDetection();
      return;
    case CS_TRANSFERREJECT:
    case CS_DIALCMD:
      if (!ExecuteChainedAction()) Start();
      return;
    case CS_TRANSFERACCEPT:
      StayOnTransferredCall("Transfer complete (simulate by hanging on line)",
                            "Transfer complete so drop call");
      return;
    default:
      Trace("IVRCMain::lnntfDialComplete() INVALID State=%d", static_cast<int>(state));
      line_.Drop();
  }
}

// With "useconferencecall" the controller stays on the transferred call
// until 25 s of silence or an hour has passed.
void IVRCMain::StayOnTransferredCall(const char *stayText, const char *dropText) {
  if (!UseConferenceCall()) {
    callLog_.Log(dropText);
    line_.Drop();
    return;
  }
  callLog_.Log(stayText);
  line_.Wait(kConferenceSilenceMs, RecordThreshold(), kConferenceMaxMs);
}

// --- plays and waits -------------------------------------------------------------

void IVRCMain::lnntfPlayComplete() {
  if (state_ == CS_OGM && numberAfterSpeech_) {
    numberAfterSpeech_ = false;
    return PlaySource(OpenReadNumber());  // still the OGM's audio: a plug-in keeps running
  }
  runner_.Abandon();
  switch (state_) {
    case CS_OGM: {
      const int wait = Ogm().Value(LOGMDefinition::Number::kWait);
      line_.Wait(0, 0, std::clamp(wait, 0, INT32_MAX / 1000) * 1000);
      return;
    }
    case CS_INVALID:
    case CS_PLAYFILE:
      Start();
      return;
    case CS_TRANSFERDIALANSWERDETECT:  // the tone to the called party has ended
      TransferAccepted();
      return;
    case CS_TRANSFERQUERY:
      RepeatOrElse("TransferQuery", &IVRCMain::TransferRejected);
      return;
    case CS_MBXGREETING:
      state_ = CS_MBXRECORDTONE;
      PlaySystemPrompt("RecordTone");
      return;
    case CS_MBXRECORDTONE:
      PlayCompleteRecordTone();
      return;
    case CS_MBXREVIEW:
      state_ = CS_MBXMENU;
      PlaySystemPrompt("MailboxMenu");
      return;
    case CS_RECORDTONE:
      state_ = CS_RECORD;
      RecordStart();
      return;
    case CS_MSGPLAY:
      state_ = CS_MSGMENU;
      PlaySystemPrompt("MailBoxMessageMenu");
      return;
    case CS_MBXSETUPPLAY:
      state_ = CS_MBXSETUP;
      PlaySystemPrompt("MailBoxSetup");
      return;
    case CS_MBXSETUPRECORD:
      RecordStart();
      return;
    case CS_FORWARD:
      RepeatOrElse("ForwardMessage", &IVRCMain::ForwardFailed);
      return;
    default:
      PlayCompleteInMenu(state_);
  }
}

// A menu whose prompt has ended waits for a key; anything else drops.
void IVRCMain::PlayCompleteInMenu(CallState state) {
  switch (state) {
    case CS_MBXMENU:
      line_.Wait(0, 0, kMailboxMenuWaitMs);
      return;
    case CS_ACCESSCODE:
    case CS_MBXSETUP:
      line_.Wait(0, 0, state == CS_ACCESSCODE ? kAccessCodeWaitMs : kSetupWaitMs);
      return;
    case CS_MSGMENU:
    case CS_FORWARDPLAY:
      line_.Wait(0, 0, kMessageMenuWaitMs);
      return;
    case CS_NOMOREMSGS:
      line_.Wait(0, 0, kNoMoreMessagesWaitMs);
      return;
    case CS_GOODBYE:
      line_.Drop();
      return;
    default:
      Trace("IVRCMain::lnntfPlayComplete State invalid so dropping call");
      line_.Drop();
  }
}

// "RecordTone" before a message: a re-take records into the same file,
// otherwise a new message begins.
void IVRCMain::PlayCompleteRecordTone() {
  if (!recording_.file.empty()) {
    RecordStart();
  } else if (VoiceMailReady()) {
    voiceMail_->StartNewMessage(*this);
  }
}

void IVRCMain::RepeatOrElse(std::string_view prompt, void (IVRCMain::*otherwise)()) {
  if (repeatCounter_ == 0) {
    (this->*otherwise)();
    return;
  }
  --repeatCounter_;
  PlaySystemPrompt(prompt);
}

void IVRCMain::lnntfWaitComplete() {
  switch (state_) {
    case CS_OGM:
      WaitCompleteOgm();
      return;
    case CS_TRANSFERBLIND:
    case CS_TRANSFERACCEPT:
      callLog_.Log("Transfer wait timeout");
      line_.Drop();
      return;
    case CS_MBXMENU:
      RecordComplete();
      GoodBye();
      return;
    case CS_ACCESSCODE:
    case CS_NOMOREMSGS:
    case CS_MBXSETUP:
      GoodBye();
      return;
    case CS_MSGMENU:
      if (VoiceMailReady()) voiceMail_->MailBoxMessagePlayNext(*this);
      return;
    case CS_MSGMOVECODE:
      if (VoiceMailReady()) voiceMail_->MailBoxMessagePlay(*this);
      return;
    case CS_DIALING:
      ContinueDial();
      return;
    default:  // CS_FORWARDPLAY among them
      if (state_ != CS_FORWARDPLAY) {
        Trace("IVRCMain::lnntfWaitComplete state invalid so dropping call");
      }
      line_.Drop();
  }
}

void IVRCMain::WaitCompleteOgm() {
  if (repeatCounter_ > 0) {
    --repeatCounter_;
    PlayOGM();
    return;
  }
  if (!ExecuteAction(currentOgm_, kIvrSection, "playcomplete")) GoodBye();
}

// --- recordings and reports ------------------------------------------------------

void IVRCMain::lnntfRecordComplete() {
  RecordComplete();
  callLog_.Log("Recording time-out or silence detect or outbound no answer");
  switch (state_) {
    case CS_TRANSFERDIALANSWERDETECT:
      TransferRejected();
      return;
    case CS_RECORD:
      if (!ExecuteChainedAction()) GoodBye();
      return;
    case CS_FORWARD:
      ForwardFailed();
      return;
    case CS_OUTBOUND:
      OutBoundTimeout();
      return;
    default:
      GoodBye();
  }
}

// Answer detection reports through the result it writes; it is looked at
// whenever the recording reports its position.
void IVRCMain::lnntfRecordPosition(uint32_t) {
  if (!answerResult_) return;
  if (state_ != CS_TRANSFERDIALANSWERDETECT && state_ != CS_FORWARD && state_ != CS_OUTBOUND) {
    return;
  }
  const uint8_t result = answerResult_->load(std::memory_order_acquire);
  if (result == kAnswerPerson || result == kAnswerMachine || result == kAnswerNone) {
    AnswerDetected(result);
  }
}

void IVRCMain::AnswerDetected(uint8_t result) {
  answerResult_.reset();
  const bool answered = result != kAnswerNone;
  switch (state_) {
    case CS_TRANSFERDIALANSWERDETECT:
      if (answered) {
        PlaySystemPrompt("RecordTone");  // its end accepts the transfer
      } else {
        TransferRejected();
      }
      return;
    case CS_FORWARD:
      if (!answered) {
        ForwardFailed();
      } else if (VoiceMailReady()) {
        voiceMail_->ForwardAutoAnswered(*this);
      }
      return;
    default:  // CS_OUTBOUND
      if (answered) {
        OutBoundAnswered(result == kAnswerMachine);
      } else {
        OutBoundTimeout();
      }
  }
}

// A plug-in's return is noticed while the OGM plays.
void IVRCMain::lnntfPlayPosition(uint32_t) {
  if (runner_.Poll(Ogm(), parms_, call_) == IVRCProgramRunner::Outcome::kSkipToEnd) SkipToEnd();
}

void IVRCMain::lnntfFax() {
  callLog_.Log("Fax detected");
  const std::string &settings = folders_.SettingsFile();
  const std::string faxDial = ProfileReadString(settings, "settings", "faxdial", "");
  if (ProfileReadBool(settings, "settings", "fax", false) && !faxDial.empty()) {
    const bool dialling =
        state_ == CS_FAXDIAL || (state_ == CS_DIALING && savedState_ == CS_FAXDIAL);
    if (dialling) return;
    state_ = CS_FAXDIAL;
    Dial(faxDial);
    return;
  }
  callLog_.Log("Attempt TAPI fax handoff");
  line_.FaxHandoff();
}

void IVRCMain::lnntfEndOfCallBusyTone() {
  // While a called party is being reached the far end's tones are expected.
  if (state_ == CS_TRANSFERDIALANSWERDETECT || state_ == CS_TRANSFERQUERY ||
      state_ == CS_FORWARD || state_ == CS_OUTBOUND) {
    return;
  }
  line_.Drop();
}

// A called party that refused, hung up or cannot be reached is not asked
// again and again: the transfer fails at once.
// Before dial complete it is kept for then.
void IVRCMain::lnntfTransferPartyGone() {
  const bool dialling = state_ == CS_DIALING ? savedState_ == CS_TRANSFERDIAL ||
                                                   savedState_ == CS_TRANSFERDIALANSWERDETECT
                                             : state_ == CS_TRANSFERDIAL;
  const bool asking = state_ == CS_TRANSFERQUERY || state_ == CS_TRANSFERDIALANSWERDETECT;
  if (!dialling && !asking) return;
  callLog_.Log("Transfer party hung up, refused or not reached");
  if (dialling) {
    transferPartyGone_ = true;
    return;
  }
  answerResult_.reset();
  TransferRejected();
}

// --- hang-up -------------------------------------------------------------------

void IVRCMain::lnntfDisconnect() {
  if (state_ == CS_FORWARD) {
    ForwardFailed();
  } else if (state_ == CS_OUTBOUND) {
    OutBoundTimeout();  // the entry is tried again later
  }
  if (!recording_.file.empty()) RecordComplete();
  inputMode_ = kInputNone;
  state_ = CS_IDLE;
  transferPartyGone_ = false;
  runner_.Reset();
  answerResult_.reset();
  callLog_.Log("Call disconnected");
  callLog_.Close();
  lastActivity_ = clock_.TickCount();
  Post(WM_IVRCMAIN_LINESTATE, 0, lineIndex_);
}
