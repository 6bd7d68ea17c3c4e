#include "callengine/IVRCMain.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cstdio>

#include "audio/LPromptList.h"
#include "audio/LSRCNull.h"
#include "audio/LSRCSequence.h"
#include "audio/LWaveFile.h"
#include "audio/LineRate.h"
#include "audio/PromptProcessing.h"
#include "audio/SoundFile.h"
#include "callengine/CallDateTime.h"
#include "callengine/LOGMDefinition.h"
#include "core/LOfficeHours.h"
#include "callengine/ParameterText.h"
#include "callengine/SpokenNumbers.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextFormat.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "log/LogFile.h"

namespace {

constexpr uint64_t kActivityHeadStartMs = 2000;
// An OGM's parts are joined at the line's rate, so a file kept at it (as
// recordings and imports are) reaches the caller without conversion.
constexpr int kOgmRate = kLineRate;
constexpr int kPromptRate = 8000;
constexpr const char *kIvrSection = "ivr";
// An OGM text with its parameters expanded is cut here.
constexpr std::size_t kMaxSpokenExpansion = 65535;

std::string SectionName(uint8_t lineIndex) { return "line" + std::to_string(lineIndex); }

// Appends to the user's log file unless another writer holds it; a file
// that cannot be opened is not reported to the caller.
void AppendExclusive(const std::string &path, std::string_view line) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return;
  if (!WriteFully(fd.Get(), line)) Trace("IVRCMain cannot append to \"%s\"", path.c_str());
}

}  // namespace

IVRCMain::IVRCMain(LLineBase &line, uint8_t lineIndex, const DataFolders &folders,
                   const LClock &clock, LogFile &logFile, IVRCMainWindow *mainWindow)
    : line_(line),
      lineIndex_(lineIndex),
      lineSection_(SectionName(lineIndex)),
      numberEntry_(folders.Root()),
      callLog_(logFile, clock, folders.Logs(), lineIndex),
      folders_(folders),
      clock_(clock),
      logFile_(logFile),
      mainWindow_(mainWindow),
      resolver_(folders.Ogms(), clock, call_, parms_) {
  // The outbound scheduler may use a line only after 10 s of quiet; a new
  // controller counts as having been quiet for 2 s.
  const uint64_t now = clock_.TickCount();
  lastActivity_ = now > kActivityHeadStartMs ? now - kActivityHeadStartMs : 0;
  // The call's log tells which way its checks sent it.
  resolver_.SetNarrator([this](const std::string &text) { callLog_.Log(text); });
  line_.SetDefaultHandler(this);
}

IVRCMain::~IVRCMain() { callLog_.Close(); }

// --- answering -------------------------------------------------------------

bool IVRCMain::Answer(int ring) {
  lastActivity_ = clock_.TickCount();
  RefreshCallIdentity();
  if (ring == 2) FlashCallerId();
  const int ringsNeeded = RingsNeeded();
  if (ring < ringsNeeded) return false;
  bool enabled = SettingBool("state", "on", true);
  const AnswerChoice choice = AnswerOgm(ring, ringsNeeded, enabled);
  const bool answered = enabled && IsOGMValid(choice.ogm);
  // A call that is not answered is logged once, where it would have been.
  if (answered || ring == ringsNeeded) {
    if (enabled && !answered) LogMissingOgm(choice);
    logFile_.CallLog(TextFormat("%s %s [%s]", LineName().c_str(), call_.callerNumber.c_str(),
                            answered ? "Answered" : "Not Answered"));
  }
  if (answered) state_ = CS_ANSWERING;
  return answered;
}

int IVRCMain::RingsNeeded() const {
  const std::string &settings = folders_.SettingsFile();
  if (ProfileReadBool(settings, "settings", "tollsaver", false)) {
    return ProfileReadBool(settings, "state", "newmessages", false) ? 3 : 5;
  }
  return ProfileReadInt(settings, "settings", "nrings", 3);
}

IVRCMain::AnswerChoice IVRCMain::AnswerOgm(int ring, int ringsNeeded, bool &enabled) const {
  const std::string &settings = folders_.SettingsFile();
  AnswerChoice choice{ProfileReadString(settings, "settings", "ogm", LOGMFiles::kDefaultName),
                      "answering OGM"};
  LOfficeHours::Decision hours =
      LOfficeHours::Decide(settings, clock_, {ring, ringsNeeded, enabled});
  enabled = hours.answeringEnabled;
  if (hours.ogm) choice = {*hours.ogm, "office-hours OGM"};
  if (SettingBool(lineSection_.c_str(), "ogmoverride", false)) {
    choice = {ProfileReadString(settings, lineSection_, "ogm", LOGMFiles::kDefaultName),
              "line's own OGM"};
  }
  return choice;
}

// A check of an existing OGM that refuses the call is the program's choice,
// not a fault, so only a missing OGM is told.
void IVRCMain::LogMissingOgm(const AnswerChoice &choice) const {
  if (LOGMFiles(folders_.Ogms()).Exists(choice.ogm)) return;
  logFile_.LogError(TextFormat("%s: call not answered: the %s \"%s\" does not exist",
                               LineName().c_str(), choice.chosenBy, choice.ogm.c_str()));
}

void IVRCMain::FlashCallerId() {
  if (!mainWindow_ || !SettingBool(lineSection_.c_str(), "cidflash", true)) return;
  Post(WM_CALLERID, 0, 0, LineName() + "\r\n" + call_.callerNumber + "\r\n" + call_.callerName);
}

bool IVRCMain::IsOGMValid(const std::string &name) {
  return resolver_.IsOGMValid(name, currentOgm_);
}

// --- the connected call ------------------------------------------------------

void IVRCMain::lnntfStart() {
  Post(WM_IVRCMAIN_LINESTATE, 1, lineIndex_);
  RefreshCallIdentity();
  SetCallParameters();
  runner_.Reset();
  wrongAccessCodes_ = 0;
  callLog_.CreateNewLog();
  if (state_ == CS_FORWARD) {
    StartForwardCall();
  } else if (state_ == CS_OUTBOUND) {
    StartOutboundCall();
  } else {
    callLog_.Log(
        TextFormat("Answered line [%d \"%s\"] call number [%s] cid [%s] "
               "did[%s] drn[%d (%ums)]",
               lineIndex_ + 1, LineName().c_str(), parms_.GetParm("callsequenceno").c_str(),
               call_.callerNumber.c_str(), call_.did.c_str(), line_.Drn(), line_.DrnTime()));
    StartOGMInit();
  }
}

void IVRCMain::SetCallParameters() {
  parms_.Clear();
  const std::time_t now = clock_.Now();
  parms_.SetParm("time", FormatCallTime(now));
  parms_.SetParm("date", FormatCallDate(now, ShortDateOrder(folders_.SettingsFile())));
  parms_.SetParm("linenumber", std::to_string(lineIndex_));
  parms_.SetParm("linename", LineName());
  parms_.SetParm("callsequenceno", std::to_string(NextCallSequenceNo()));
}

int IVRCMain::NextCallSequenceNo() {
  const std::string &settings = folders_.SettingsFile();
  const int number = ProfileReadInt(settings, "state", "callsequenceno", 0);
  // Wraps instead of overflowing after two thousand million calls.
  const int next = number == INT32_MAX ? 0 : number + 1;
  ProfileWriteInt(settings, "state", "callsequenceno", next);
  return number;
}

void IVRCMain::StartOGMInit() {
  const LOGMDefinition ogm = Ogm();
  if (ogm.IsSet(LOGMDefinition::Flag::kLog)) AppendUserLog();
  if (ogm.IsSet(LOGMDefinition::Flag::kAnnounceCall)) AnnounceCall();
  // "runcompleteskip" goes straight to the node's end instead of its audio.
  if (ogm.IsSet(LOGMDefinition::Flag::kRun) &&
      runner_.Begin(ogm, parms_, call_) == IVRCProgramRunner::Outcome::kSkipToEnd) {
    SkipToEnd();
    return;
  }
  Start();
}

void IVRCMain::SkipToEnd() {
  if (!ExecuteAction(currentOgm_, kIvrSection, "playcomplete")) GoodBye();
}

void IVRCMain::AppendUserLog() {
  const LOGMDefinition ogm = Ogm();
  const std::string name = ogm.Read(LOGMDefinition::Text::kLogName, parms_, call_);
  // Parameters come from callers and plug-ins: keep the file in the log folder.
  if (!PathIsPlainName(name)) {
    callLog_.Log("Log file name refused: ", name);
    return;
  }
  const std::string file = PathJoin(folders_.Logs(), name + ".txt");
  const std::string line = ogm.Read(LOGMDefinition::Text::kLogLine, parms_, call_) + "\r\n";
  callLog_.Log("Adding data to log: ", file);
  callLog_.Log("Data: ", line);
  AppendExclusive(file, line);
}

void IVRCMain::AnnounceCall() {
  // A relative path is in the data folder, as a play action's is.
  std::string file = Ogm().Read(LOGMDefinition::Text::kAnnouncePlay, parms_, call_);
  if (!file.empty()) file = PathFrom(folders_.Root(), file);
  callLog_.Log("Play announcement: ", file);
  Post(WM_PLAYANNOUNCEMENT, 0, 0, file);
}

void IVRCMain::Start() {
  const LOGMDefinition ogm = Ogm();
  inputMode_ = ogm.IsNumberEntry() ? kInputNumber : kInputMenu;
  state_ = CS_OGM;
  const int repeat = ogm.Value(LOGMDefinition::Number::kRepeat);
  repeatCounter_ = static_cast<uint8_t>(std::clamp(repeat, 0, int{UINT8_MAX}));
  numberEntry_.Clear();
  PlayOGM();
}

void IVRCMain::PlayOGM() {
  const LOGMDefinition ogm = Ogm();
  numberAfterSpeech_ = false;
  if (ogm.IsSet(LOGMDefinition::Flag::kPlayTts)) {
    if (LSoundSourceRef speech = OpenSpeech()) {
      // Speech grows while it plays, so nothing can be queued behind it: the
      // number follows once it ended (lnntfPlayComplete).
      numberAfterSpeech_ = ogm.IsSet(LOGMDefinition::Flag::kReadNumber);
      PlaySource(std::move(speech));
      return;
    }
    callLog_.Log("Error: Unable to load OGM Text!");
  }
  PlaySource(OpenOgmAudio());
}

// The OGM's text, spoken; null when it has no text.
LSoundSourceRef IVRCMain::OpenSpeech() {
  const LOGMDefinition ogm = Ogm();
  const std::string stored = ogm.SpokenText();
  if (stored.empty()) return {};
  std::string text;
  ExpandParameters(stored, text, kMaxSpokenExpansion + 1, parms_, call_);
  LSoundSourceRef speech;
  if (services_) {
    speech = services_->OpenSpeech(text, ogm.Value(LOGMDefinition::Number::kPlayTtsVoice));
  }
  if (!speech) speech = new LSRCNull;  // no speech engine: silence, and the node goes on
  callLog_.Log("Text-to-Speech Synthesis: ", CutText(text));
  return speech;
}

// The OGM's file (WAVE or MP3), followed by the spoken number when
// "readnumber" is set. Without a playable file the sequence is empty: it
// completes at once and the node goes on to its wait.
LSoundSourceRef IVRCMain::OpenOgmAudio() {
  const LOGMDefinition ogm = Ogm();
  LRef<LSRCSequence> sequence = new LSRCSequence(kOgmRate, 1);
  const LOGMDefinition::Audio audio = ogm.AudioFile(parms_, call_);
  callLog_.Log("Play file: ", audio.path);
  if (audio.exists) sequence->Append(OpenSoundFile(audio.path));
  if (ogm.IsSet(LOGMDefinition::Flag::kReadNumber)) sequence->Append(OpenReadNumber());
  return sequence;
}

// The prompts that speak the value of "readnumbervar".
LSoundSourceRef IVRCMain::OpenReadNumber() {
  const LOGMDefinition ogm = Ogm();
  const std::string name = ogm.ReadNumberVariable();
  callLog_.Log("followed by read number: ", name);
  LPromptList prompts(folders_.SystemPrompts());
  ReadNumber(prompts, parms_.GetParm(name), ogm.Value(LOGMDefinition::Number::kReadNumberType));
  return prompts.OpenSource(kPromptRate, 1);
}

void IVRCMain::PlaySource(LSoundSourceRef source) {
  line_.Play(ApplyPromptProcessing(folders_.SettingsFile(), std::move(source)));
}

bool IVRCMain::ExecuteAction(const std::string &file, std::string_view section,
                             std::string_view key) {
  return commands_ && commands_->ExecuteAction(*this, file, section, key);
}

void IVRCMain::InvalidOption() {
  state_ = CS_INVALID;
  PlaySystemPrompt("InvalidOption");
}

void IVRCMain::InvalidNumber() {
  state_ = CS_INVALID;
  PlaySystemPrompt("InvalidNumber");
}

void IVRCMain::PlaySystemPrompt(std::string_view name) {
  const std::string file =
      ResolveCaseInsensitive(PathJoinExt(folders_.SystemPrompts(), name, ".wav"));
  LRef<LSRCSequence> prompt = new LSRCSequence(kPromptRate, 1);
  // A missing prompt leaves the sequence empty: it completes at once and the
  // dialogue goes on as if it had been played.
  if (prompt->Append(LWaveFile::OpenSource(file))) {
    callLog_.Log("Play system prompt: ", name);
  } else {
    logFile_.LogError(
        "One of the internal system prompts is missing! Refer to Settings -> Prompts.");
    callLog_.Log("System prompt missing: ", name);
  }
  PlaySource(prompt);
}

// --- helpers ---------------------------------------------------------------

std::string IVRCMain::LineName() const {
  return ProfileReadString(folders_.SettingsFile(), lineSection_, "name", lineSection_);
}

bool IVRCMain::SettingBool(const char *section, const char *key, bool defaultValue) const {
  return ProfileReadBool(folders_.SettingsFile(), section, key, defaultValue);
}

void IVRCMain::RefreshCallIdentity() {
  call_.callerNumber = line_.CallerNumber();
  call_.callerName = line_.CallerName();
  call_.did = line_.Did();
  call_.drn = static_cast<uint32_t>(line_.Drn());
}

void IVRCMain::Post(uint32_t id, int64_t wParam, int64_t lParam, std::string text) {
  if (mainWindow_) mainWindow_->Post(LMessage{id, wParam, lParam, std::move(text)});
}
