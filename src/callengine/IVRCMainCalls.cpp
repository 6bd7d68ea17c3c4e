// The call controller's shared steps: the paced dialler, the outcome of a
// confirmed transfer, recordings, answer detection and the ends of outbound
// and forwarding calls.
#include <algorithm>

#include "audio/LWaveFile.h"
#include "callengine/IVRCMain.h"
#include "callengine/RecordingDisk.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/QueryText.h"
#include "core/TextCompare.h"
#include "core/TextFormat.h"
#include "core/Trace.h"
#include "log/LogCall.h"
#include "log/LogFile.h"

namespace {

// Dial strings this long or longer are not dialled at all.
constexpr std::size_t kMaxDialLength = 64;
constexpr int32_t kDialPauseMs = 750;
constexpr int kRecordRate = 8000;
// A retry interval is at most a year.
constexpr int kMaxIntervalMinutes = 366 * 24 * 60;

// `entry` without its "&attempts=" and "&intervalnext=" parameters.
std::string WithoutSchedule(const std::string &entry) {
  std::string kept;
  std::size_t start = 0;
  while (start <= entry.size()) {
    const std::size_t end = std::min(entry.find('&', start), entry.size());
    const std::string_view part = std::string_view(entry).substr(start, end - start);
    const std::string_view name = part.substr(0, part.find('='));
    const bool schedule = start > 0 && (EqualIgnoringCase(name, "attempts") ||
                                        EqualIgnoringCase(name, "intervalnext"));
    if (!schedule) kept.append(start > 0 ? "&" : "").append(part);
    start = end + 1;
  }
  return kept;
}

}  // namespace

void IVRCMain::GoodBye() {
  state_ = CS_GOODBYE;
  PlaySystemPrompt("GoodBye");
}

// --- the paced dialler --------------------------------------------------------------

void IVRCMain::Dial(const std::string &digits) {
  if (digits.empty() || digits.size() >= kMaxDialLength) {
    if (state_ == CS_DIALING) state_ = savedState_;
    lnntfDialComplete();
    return;
  }
  if (state_ != CS_DIALING) {
    savedState_ = state_;
    state_ = CS_DIALING;
  }
  if (digits.front() == ',') {
    const std::size_t pauses = digits.find_first_not_of(',');
    const std::size_t commas = pauses == std::string::npos ? digits.size() : pauses;
    dialRemainder_ = digits.substr(commas);
    line_.Wait(0, 0, static_cast<int32_t>(commas) * kDialPauseMs);
    return;
  }
  const std::size_t comma = std::min(digits.find(','), digits.size());
  const std::string group = digits.substr(0, comma);
  dialRemainder_ = digits.substr(comma);
  callLog_.Log("Dialing: ", group);
  line_.Dial(group);
}

void IVRCMain::ContinueDial() {
  const std::string remainder = std::move(dialRemainder_);
  dialRemainder_.clear();
  Dial(remainder);
}

void IVRCMain::TransferAccepted() {
  state_ = CS_TRANSFERACCEPT;
  Dial(ProfileReadString(folders_.SettingsFile(), "transfer", "confirmedcomplete", ""));
}

// By default a hook flash that returns to the caller.
void IVRCMain::TransferRejected() {
  state_ = CS_TRANSFERREJECT;
  Dial(ProfileReadString(folders_.SettingsFile(), "transfer", "confirmedreject", "!,"));
}

bool IVRCMain::UseConferenceCall() const {
  return ProfileReadBool(folders_.SettingsFile(), "transfer", "useconferencecall", false);
}

// --- recordings ---------------------------------------------------------------------

void IVRCMain::SetChainedAction(ChainedAction action) {
  if (!chained_.file.empty()) ProfileFlush(chained_.file);
  chained_ = std::move(action);
}

bool IVRCMain::ExecuteChainedAction() {
  return ExecuteAction(chained_.file, chained_.section, chained_.key);
}

void IVRCMain::SetUpRecording(Recording recording) {
  if (!recording_.file.empty()) RecordComplete();
  recording_ = std::move(recording);
}

void IVRCMain::RecordStart() {
  callLog_.Log("Recording File: ", recording_.file);
  if (recording_.file.empty()) {
    Trace("IVRCMain::RecordStart called without file being set");
    line_.Drop();
    return;
  }
  CheckDiskSpace();
  int32_t startFrame = 0;
  if (recording_.append) {
    // Appended files keep their level: they are not levelled again.
    const LSoundSourceRef existing = LWaveFile::OpenSource(recording_.file);
    if (!existing->IsError()) startFrame = std::max(existing->GetEndSample(), 0);
    recording_.levelling = false;
  }
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(recording_.file, kRecordRate, startFrame, 16, 1);
  recordFailure_ = sink->ShareFailure();
  line_.Record(std::move(sink), recording_.silenceMs, RecordThreshold(), recording_.maxMs);
}

void IVRCMain::RecordComplete() {
  if (recording_.file.empty()) return;
  ReportRecordFailure();
  if (state_ >= CS_MBXRECORDTONE && state_ <= CS_MBXMENU && voiceMail_) {
    voiceMail_->MailBoxRecordComplete(*this);  // may discard the file
  }
  if (!recording_.file.empty() && recording_.levelling && services_) {
    services_->AddLevellingWork(recording_.file);
  }
  ClearRecordFile();
}

int32_t IVRCMain::RecordThreshold() const {
  return ProfileReadDb(folders_.SettingsFile(), "settings", "recthres", -22);
}

// Every recording start posts the notice, so one with enough space clears it.
void IVRCMain::CheckDiskSpace() {
  const int lowSpaceMb = ProfileReadInt(folders_.SettingsFile(), "settings", "lowspacemb",
                                        recording_disk::kDefaultLowSpaceMb);
  const std::string warning =
      recording_disk::LowSpaceWarning(PathFolder(recording_.file), lowSpaceMb);
  if (!warning.empty()) logFile_.Log(warning);
  Post(WM_DISKNOTICE, 0, 0, warning);
}

void IVRCMain::ReportRecordFailure() {
  const int failure = RecordFailure();
  if (failure == 0) return;
  const std::string text = "Recording stopped because " + recording_disk::FailureReason(failure) +
                           ": " + PathFolder(recording_.file);
  logFile_.LogError(text);
  Post(WM_DISKNOTICE, 0, 0, text);
}

// --- answer detection, outbound and forwarding calls -------------------------------

void IVRCMain::StartAnswerDetection() {
  const std::string &settings = folders_.SettingsFile();
  const int32_t timeoutMs = ProfileReadDuration(settings, "outbound", "timeout", 30000);
  const int32_t silenceMs = ProfileReadDuration(settings, "outbound", "silencetime", 2250);
  // A new result for each detection: a detector still finishing an earlier
  // one cannot answer for this one.
  answerResult_ = std::make_shared<std::atomic<uint8_t>>(IVRCServices::kAnswerPending);
  LSoundSinkRef detector;
  if (services_) detector = services_->OpenAnswerDetector(answerResult_, timeoutMs, silenceMs);
  if (!detector) {
    Trace("IVRCMain::StartAnswerDetection no detector so not answered");
    AnswerDetected(IVRCServices::kAnswerNone);
    return;
  }
  line_.Record(std::move(detector), 0, LLineBase::kNoThreshold, 0);
}

void IVRCMain::StartForwardCall() {
  callLog_.Log("Outbound message forward dial complete");
  if (ProfileReadBool(mailbox_, "mbx", "autoplay", false)) {
    StartAnswerDetection();
    return;
  }
  const int repeats = ProfileReadInt(mailbox_, "mbx", "forwardrepeat", 5);
  repeatCounter_ = static_cast<uint8_t>(std::clamp(repeats, 0, int{UINT8_MAX}));
  PlaySystemPrompt("ForwardMessage");
}

void IVRCMain::StartOutboundCall() {
  callLog_.Log(TextFormat("Outbound call [%s] dialing complete", outboundEntry_.c_str()));
  const std::size_t amp = outboundEntry_.find('&');
  if (amp != std::string::npos) {
    ParseQueryText(std::string_view(outboundEntry_).substr(amp + 1),
                   [this](const std::string &name, const std::string &value) {
                     parms_.SetParm(name, value);
                   });
  }
  StartAnswerDetection();
}

void IVRCMain::OutBoundAnswered(bool machine) {
  logFile_.CallLog(TextFormat("Outbound call %s [Answered]%s", outboundEntry_.c_str(),
                              machine ? " (Machine)" : ""));
  const std::string ogm = OutboundOgm(machine);
  if (IsOGMValid(ogm)) {
    state_ = CS_ANSWERING;
    StartOGMInit();
    return;
  }
  ProfileWriteBool(folders_.SettingsFile(), "outbound", "active", false);  // the run stops
  callLog_.Log(TextFormat("Outbound call answered but failed - OGM %s not valid ", ogm.c_str()));
  GoodBye();
}

// [outbound] "ogmmachine" or "ogmanswer", replaced by the entry's "ogm"
// parameter and then by its parameter of the key's own name.
std::string IVRCMain::OutboundOgm(bool machine) const {
  const char *key = machine ? "ogmmachine" : "ogmanswer";
  std::string ogm =
      ProfileReadString(folders_.SettingsFile(), "outbound", key, LOGMFiles::kDefaultName);
  for (const char *name : {"ogm", key}) {
    std::string value = parms_.GetParm(name);
    if (!value.empty()) ogm = std::move(value);
  }
  return ogm;
}

void IVRCMain::OutBoundTimeout() {
  LogPlaceFailure("Outbound call to ", outboundEntry_.substr(0, outboundEntry_.find('&')));
  logFile_.CallLog(TextFormat("Outbound call %s not answered", outboundEntry_.c_str()));
  std::string attempts = EntryParameter("attempts");
  if (attempts.empty()) {
    attempts = ProfileReadString(folders_.SettingsFile(), "outbound", "nattempts", "1");
  }
  const int left = ParseLeadingInt(attempts);
  if (left > 1) RescheduleOutbound(left - 1);
  state_ = CS_IDLE;
  line_.Drop();
}

void IVRCMain::RescheduleOutbound(int attemptsLeft) {
  std::string interval = EntryParameter("interval");
  if (interval.empty()) {
    interval = ProfileReadString(folders_.SettingsFile(), "outbound", "interval", "30");
  }
  const long long minutes = std::clamp(ParseLeadingInt(interval), 0, kMaxIntervalMinutes);
  const long long next = static_cast<long long>(clock_.Now()) + minutes * 60;
  const std::string entry = TextFormat("%s&attempts=%d&intervalnext=%lld",
                                       WithoutSchedule(outboundEntry_).c_str(), attemptsLeft, next);
  if (services_) services_->AddOutboundEntry(entry);
  if (mainWindow_) mainWindow_->SetTimer(IVRCMainWindow::kSchedulerTimer, 5000);
}

// A parameter of the call, else of its outbound entry: a call that was
// never answered has not read its entry's parameters.
std::string IVRCMain::EntryParameter(const std::string &name) const {
  std::string value = parms_.GetParm(name);
  const std::size_t amp = outboundEntry_.find('&');
  if (!value.empty() || amp == std::string::npos) return value;
  ParseQueryText(std::string_view(outboundEntry_).substr(amp + 1),
                 [&](const std::string &key, const std::string &text) {
                   if (EqualIgnoringCase(key, name)) value = text;
                 });
  return value;
}

// What the line knows of why a call we placed was not answered; it is told
// once, at the disconnect that ends the attempt.
void IVRCMain::LogPlaceFailure(const char *what, const std::string &number) {
  if (line_.PlaceFailure().empty()) return;
  logFile_.Log(TextFormat("%s%s failed: %s", what, number.c_str(),
                          line_.PlaceFailure().c_str()));
}

void IVRCMain::ForwardFailed() {
  LogPlaceFailure("Message forward call to ", line_.CallerNumber());
  callLog_.Log("Message forward attempt failed");
  state_ = CS_IDLE;
  line_.Drop();
}
