// The main-window side of the engine: the numbered messages from the call
// controllers, the workers and other processes, and the control commands.
#include <unistd.h>

#include "callengine/Engine.h"
#include "callengine/LOGMFiles.h"
#include "ivrfile/IvrCheck.h"
#include "telephony/OutboundList.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextFormat.h"
#include "telephony/sip/LSipLine.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipStack.h"

namespace {

// A second copy hands over its first argument, which names a program file
// unless it is the log-on or service option.
bool NamesProgramFile(const std::string &text) {
  return !text.empty() && text.find("--logon") == std::string::npos &&
         text.find("--service") == std::string::npos;
}

bool IsProgramHandOver(const LMessage &message) {
  return message.id == WM_LOADIVRFILEQUIET ||
         (message.id == WM_LOADIVRFILE && NamesProgramFile(message.text));
}

bool IsOutboundAdd(const LMessage &message) {
  return message.id == WM_CONTROLCOMMAND && message.wParam == 4;
}

}  // namespace

int64_t Engine::HandleMessage(const LMessage &message) {
  switch (message.id) {
    case WM_PLAYANNOUNCEMENT:
      PlayOnSpeaker(message.text, "announcedevice", "announcevolume", 0);
      break;
    case WM_UPDATEMESSAGE:
      // Call screening: the message being recorded plays as it grows.
      if (message.wParam == 1) {
        speaker_.Stop();
        PlayOnSpeaker(PathReplaceExtension(message.text, ".wav"), "announcedevice",
                      "announcevolume", 0);
      }
      status_.MessageChanged(message.text);
      break;
    case WM_UPDATEREADMARK:
    case WM_DELMESSAGE:
      status_.MessageChanged(message.text);
      break;
    case WM_WAKEBGTASK:
      WakeDelivery();
      break;
    case WM_RUNSCHEDULER:
      if (!stopping_) loop_.SetTimer(this, kSchedulerTimer, kSchedulerAfterMessageMs);
      break;
    case WM_CALLERID:
      ShowCallerId(message.text);
      break;
    case WM_NEWMESSAGE:
      NewMessage(message.wParam != 0);
      break;
    case WM_MESSAGESSEEN:
      MessagesSeen();
      break;
    case WM_DISKNOTICE:
      status_.SetDiskNotice(message.text);
      break;
    case WM_IVRCMAIN_LINESTATE:
      status_.SetLineState(message.lParam, message.wParam != 0);
      break;
    case WM_LSHUTDOWN:
      Shutdown();
      break;
    case WM_LOADIVRFILE:
      return LoadFromSecondCopy(message.text) ? 0 : 1;
    case WM_LOADIVRFILEQUIET:
      // The update check's file may come from a stranger; the owner's
      // quiet command says it is theirs.
      return ReceiveProgramFile(message.text, true,
                                message.wParam == kIvrQuietLoadByOwner ? IvrLoadOrigin::kOwner
                                                                       : IvrLoadOrigin::kUpdate)
                 ? 0
                 : 1;
    case WM_CONSOLELOADIVRFILE:
      return ReceiveProgramFile(message.text, false) ? 0 : 1;
    case WM_NEWIVRPROGRAM:
      return NewProgram();
    case WM_SETTINGSCLOSED:
      return SettingsClosed();
    case WM_CONTROLCOMMAND:
      return ControlCommand(message.wParam, message.text);
    default:
      break;
  }
  return 0;
}

// Commands 3 and 4 do nothing without their text, as when an atom cannot be
// read.
int64_t Engine::ControlCommand(int64_t command, const std::string &text) {
  const std::string &settings = folders_.SettingsFile();
  switch (command) {
    case 0:
      return 1;
    case 1:
    case 2:
      log_.Log(command == 1 ? "ZAVAPITurnOn" : "ZAVAPITurnOff");
      ProfileWriteBool(settings, "state", "on", command == 1);
      status_.SetOn(command == 1);
      break;
    case 3:
      if (text.empty()) break;
      log_.Log("ZAVAPISelectAnswerOGM ", text);
      ProfileWriteString(settings, "settings", "ogm", text);
      status_.SetAnswerOgm(text);
      break;
    case 4:
      if (text.empty()) break;
      log_.Log("ZAVAPIAddOutboundNumber ", text);
      // The caller hears of an entry not added (the result is 0 otherwise).
      if (!OutboundList(folders_.Root(), settings).Add(text)) return 1;
      if (!stopping_) loop_.SetTimer(this, kSchedulerTimer, kSchedulerAfterAddMs);
      break;
    default:
      break;
  }
  return 0;
}

// A second copy started without an argument asks for the window; one
// started at log-on or by the service manager only says it is there.
bool Engine::LoadFromSecondCopy(const std::string &text) {
  if (!text.empty() && !NamesProgramFile(text)) return true;
  status_.RequestShow();
  return text.empty() || ReceiveProgramFile(text, false);
}

// A program handed over by a second copy, the control socket or the
// delivery task loads on a worker; the one asking has agreed to replace the
// OGMs by asking.
bool Engine::ReceiveProgramFile(const std::string &path, bool quiet, IvrLoadOrigin origin) {
  log_.Log(origin == IvrLoadOrigin::kUpdate ? "IVR program update received: "
                                            : "IVR program file received: ",
           path);
  status_.SetLoadNotice(path);
  if (!stopping_ && loader_.Load(path, quiet, origin)) return true;
  log_.LogError("IVR program file not loaded (another load is running or it cannot be read): ",
                path);
  return false;
}

// The messages go to the log and the status. After a good load the lines
// start again with the new program; a failed one leaves them alone (the
// file was checked whole before anything was applied, so a failure is most
// often a refusal that changed nothing). Notes the file asked to show wait,
// as [settings] "notespopup", until the console has shown them.
void Engine::ProgramLoaded(const IvrLoadOutcome &outcome) {
  if (outcome.showNotes) ProfileWriteBool(folders_.SettingsFile(), "settings", "notespopup", true);
  const bool loaded = outcome.result == kProcessDone;
  std::string notice = loaded ? "IVR program loaded" : "IVR program not loaded";
  for (const std::string &message : outcome.messages) {
    log_.Log(message);
    notice += ". " + message;
  }
  log_.Log(notice);
  status_.SetLoadNotice(notice);
  if (loaded && !stopping_) RebuildLinesWhenCallsEnd(kLineRebuildAfterLoadMs, "the IVR program loaded");
}

// Calls in progress go on (after a load they read the OGMs as the load left
// them, as they did while it ran); the lines are rebuilt once they have
// ended, or when waiting for them has lasted too long.
void Engine::RebuildLinesWhenCallsEnd(uint64_t afterMs, const char *reason) {
  rebuildDeadline_ = clock_.TickCount() + kCallsWaitMs;
  rebuildReason_ = reason;
  loop_.SetTimer(this, kRebuildLinesTimer, afterMs);
  if (const int calls = CallsInProgress(); calls > 0)
    log_.Log(TextFormat("The lines start again with %s once %d call(s) in progress have ended",
                        reason, calls));
}

void Engine::RebuildLinesIfNoCalls() {
  const int calls = CallsInProgress();
  if (calls > 0 && clock_.TickCount() < rebuildDeadline_) {
    loop_.SetTimer(this, kRebuildLinesTimer, kCallsPollMs);
    return;
  }
  if (calls > 0) {
    log_.LogError(TextFormat("%d call(s) still in progress cut off to start the lines with %s %d "
                             "minutes ago",
                             calls, rebuildReason_, static_cast<int>(kCallsWaitMs / 60000)));
  }
  SetUpLines();
}

int Engine::CallsInProgress() const {
  int calls = 0;
  for (const Line &entry : lines_) {
    if (!entry.line->IsIdle()) ++calls;
  }
  return calls;
}

// No line answers from a program half deleted: the controllers go first and
// come back with the lines. Refused while a load is changing the folders.
int64_t Engine::NewProgram() {
  if (stopping_ || loader_.IsRunning()) return 1;
  log_.Log("New IVR program");
  TearDownLines();
  NewIvrProgram(folders_);
  status_.SetLoadNotice("New IVR program");
  loop_.SetTimer(this, kLineSetUpTimer, kLineRebuildAfterLoadMs);
  return 0;
}

void Engine::ShowCallerId(const std::string &text) {
  if (text.empty() || !ProfileReadBool(folders_.SettingsFile(), "settings", "cidflash", true))
    return;
  status_.SetCallerId(text);
  if (!stopping_) loop_.SetTimer(this, kCallerIdTimer, kCallerIdMs);
}

void Engine::NewMessage(bool beep) {
  const std::string &settings = folders_.SettingsFile();
  if (ProfileReadBool(settings, "settings", "openwindow", true)) status_.RequestShow();
  status_.SetNewMessages(ProfileReadBool(settings, "state", "newmessages", false));
  if (beep && !stopping_) loop_.SetTimer(this, kNewMessageBeepTimer, kBeepFirstMs);
}

void Engine::MessagesSeen() {
  ProfileWriteBool(folders_.SettingsFile(), "state", "newmessages", false);
  status_.SetNewMessages(false);
  loop_.KillTimer(this, kNewMessageBeepTimer);
}

// The settings pages ask for new lines by setting [state] "restart"; it is
// read when they are closed. The devices are opened again as well, since
// their settings may have changed; calls in progress are not cut for it.
int64_t Engine::SettingsClosed() {
  if (stopping_ || !ProfileReadBool(folders_.SettingsFile(), "state", "restart", false)) return 0;
  reopenDevices_ = true;
  RebuildLinesWhenCallsEnd(kRestartSetUpMs, "the line settings changed");
  return 1;
}

// What the console shows beside each SIP device, looked at every second.
void Engine::PublishDeviceStates() {
  loop_.SetTimer(this, kDeviceStateTimer, kDeviceStateMs);
  std::vector<std::string> states;
  for (int device = 0; stack_ && device < stack_->DeviceCount(); ++device) {
    const SipDevice *sip = stack_->Device(device);
    states.push_back(sip ? sip->RegistrationState() : "not available");
  }
  status_.SetDeviceStates(std::move(states));
}

// The checks only read files, so they run here, on the control server's
// thread: a big program file is read through without holding up the lines.
std::string Engine::ControlRefusal(const LMessage &message) const {
  if (IsProgramHandOver(message)) {
    std::string problem = IvrFileProblem(message.text);
    if (problem.empty()) problem = IvrSpaceProblem(folders_.Root(), message.text);
    return problem.empty() ? "" : "IVR program file " + message.text + " not loaded, nothing changed: " + problem;
  }
  if (message.id != WM_CONTROLCOMMAND || message.text.empty()) return "";
  if (message.wParam == 3 && !LOGMFiles(folders_.Ogms()).Exists(message.text))
    return "no OGM named \"" + message.text + "\" to answer with";
  if (IsOutboundAdd(message)) return OutboundList::AddProblem(message.text);
  return "";
}

control::Reply Engine::OnControlRequest(const LMessage &message) {
  if (std::string refusal = ControlRefusal(message); !refusal.empty()) {
    loop_.Post([this, refusal] { log_.Log("Control request refused: ", refusal); });
    return {false, 0, refusal};
  }
  const std::optional<int64_t> result = loop_.Send(message);
  if (!result) return {false, 0, "the engine is stopping or busy"};
  if (*result != 0 && IsProgramHandOver(message))
    return {false, *result, "IVR program file " + message.text + " not loaded: another load is running or the engine is stopping"};
  if (*result != 0 && IsOutboundAdd(message))
    return {false, *result, std::string("the entry was not added: ") + OutboundList::kNotReadWhole + " or written"};
  control::Reply reply{true, *result, ""};
  if (message.id == WM_LOADIVRFILE && message.text.empty()) reply.text = Describe();
  return reply;
}

std::string Engine::Describe() const {
  const std::string console = status_.Get().consoleAddress;
  return TextFormat("Zavotel is running (process %d) on the data folder %s; its console: %s",
                    static_cast<int>(::getpid()), folders_.Root().c_str(),
                    console.empty() ? "not available" : console.c_str());
}
