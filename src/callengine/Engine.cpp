#include "callengine/Engine.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "audio/AutoGainWorkList.h"
#include "audio/LSPGain.h"
#include "audio/LWaveFile.h"
#include "core/CaseInsensitivePath.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ServiceNotify.h"
#include "core/TextFormat.h"
#include "core/Trace.h"
#include "mail/InterruptedMessages.h"
#include "telephony/sip/LSipLine.h"
#include "telephony/sip/SipCall.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipStack.h"
#include "ui/ConsoleStart.h"

namespace {

std::string LineSection(int n) { return "line" + std::to_string(n); }

}  // namespace

Engine::Engine(const DataFolders &folders, EngineStart start)
    : folders_(folders),
      start_(std::move(start)),
      log_(folders.Logs(), clock_, display_),
      levelling_(MakeAutoGainWorkList(log_)),
      delivery_(folders_, log_, levelling_.get(),
                [this](LMessage message) { return loop_.Send(std::move(message)); }),
      loader_(folders_, status_,
              [this](const IvrLoadOutcome &outcome) {
                loop_.Post([this, outcome] { ProgramLoaded(outcome); });
              }),
      services_(folders.Root(), folders.SettingsFile(), levelling_.get()),
      scheduler_(folders_, clock_, log_) {}

Engine::~Engine() {
  console_.reset();
  control_.reset();
  TearDownLines();
  stack_.reset();
  loop_.KillTimers(this);
}

int Engine::Run() {
  if (!loop_.IsValid()) return 1;
  log_.CallLog("Zavotel Run");
  for (const std::string &problem : start_.problems) log_.LogError(problem);
  // Files left in the list by the last run are levelled now.
  levelling_->SetListFilePath(PathJoin(folders_.Root(), kAutoGainListFile));
  loop_.SetMessageHandler([this](const LMessage &message) { return OnMessage(message); });
  RecoverMessages();
  stack_ = std::make_unique<SipStack>(folders_.SettingsFile(), log_, clock_);
  delivery_.Start();
  const std::string &settings = folders_.SettingsFile();
  status_.SetOn(ProfileReadBool(settings, "state", "on", true));
  status_.SetAnswerOgm(ProfileReadString(settings, "settings", "ogm", LOGMFiles::kDefaultName));
  status_.SetNewMessages(ProfileReadBool(settings, "state", "newmessages", false));
  if (start_.control) {
    control_ = std::make_unique<ControlServer>(
        std::move(start_.control), [this](const LMessage &m) { return OnControlRequest(m); });
    control_->Start(LThread::kPriorityNormal);
  }
  OpenConsole();
  loop_.SetTimer(this, kSchedulerTimer, kSchedulerFirstMs);
  loop_.SetTimer(this, kCallerIdTimer, kCallerIdFirstMs);
  loop_.SetTimer(this, kLineSetUpTimer, kLineSetUpMs);
  loop_.SetTimer(this, kDeviceStateTimer, kDeviceStateMs);
  watchdogMs_ = service::WatchdogIntervalMs();
  if (watchdogMs_) loop_.SetTimer(this, kWatchdogTimer, watchdogMs_);
  if (start_.mode == CommandLine::Start::kNormal && !start_.argument.empty())
    ReceiveProgramFile(start_.argument, false);
  service::NotifyReady("answering calls on " + folders_.Root());
  const bool ran = loop_.Run();
  console_.reset();
  control_.reset();
  TearDownLines();
  stack_.reset();
  delivery_.StopThreadTimed(LThread::kStopTimeoutMs);
  loader_.StopThreadTimed(LThread::kStopTimeoutMs);
  levelling_->StopThreadTimed(LThread::kStopTimeoutMs);
  speaker_.Stop();
  log_.CallLog("Zavotel Exit");
  return ran ? 0 : 1;
}

int64_t Engine::OnMessage(const LMessage &message) { return HandleMessage(message); }

void Engine::OnTimer(int id) {
  switch (id) {
    case kSchedulerTimer: RunScheduler(); break;
    case kLineSetUpTimer: SetUpLines(); break;
    case kCallerIdTimer: status_.SetCallerId(""); break;
    case kNewMessageBeepTimer: NewMessageBeep(); break;
    case kStopTimer: loop_.Stop(); break;
    case kDeviceStateTimer: PublishDeviceStates(); break;
    case kConsoleMoveTimer: MoveConsole(); break;
    case kRebuildLinesTimer: RebuildLinesIfNoCalls(); break;
    case kWatchdogTimer:
      service::NotifyWatchdog();
      loop_.SetTimer(this, kWatchdogTimer, watchdogMs_);
      break;
    default: break;
  }
}

// Before the lines and the delivery task start, so no recorder of ours can
// hold a file and the first delivery round sees the messages.
void Engine::RecoverMessages() {
  for (const RecoveredMessage &message : RecoverInterruptedMessages(folders_)) {
    if (!message.kept) {
      log_.Log("Interrupted recording discarded because it was too short: ", message.audio);
      continue;
    }
    log_.Log("Message recovered after an interrupted recording: ", message.audio);
    levelling_->Add(message.audio);
    status_.MessageChanged(message.record);
    if (message.notice.newMessage) NewMessage(message.notice.beep);
  }
}

// At most one call per run; the timer stays off when nothing waits.
void Engine::RunScheduler() {
  std::vector<OutboundScheduler::Line> lines;
  for (Line &entry : lines_) {
    LSipLine *line = entry.line.get();
    lines.push_back({entry.controller.get(), [line] { return line->IsFree(); }});
  }
  if (scheduler_.OutboundCheck(lines)) loop_.SetTimer(this, kSchedulerTimer, kSchedulerAgainMs);
}

// The controllers run on the loop thread, so their messages are handled at once.
void Engine::Post(LMessage message) {
  if (!stopping_) HandleMessage(message);
}

// While new messages wait, the record tone sounds every 15 s on the sound
// card; once they are heard the timer ends until the next new message.
void Engine::NewMessageBeep() {
  if (stopping_) return;
  const bool waiting = ProfileReadBool(folders_.SettingsFile(), "state", "newmessages", false);
  status_.SetNewMessages(waiting);
  if (!waiting) return;
  loop_.SetTimer(this, kNewMessageBeepTimer, kBeepAgainMs);
  if (speaker_.IsOpen()) return;
  PlayOnSpeaker(ResolveCaseInsensitive(PathJoin(folders_.SystemPrompts(), "RecordTone.wav")),
                "playdevice", "playvolume", 6);
}

// Without a sound card the play simply does not start.
void Engine::PlayOnSpeaker(const std::string &file, const char *deviceKey,
                           const char *volumeKey, int lowerDb) {
  if (stopping_) return;  // a worker's late message plays nothing
  const std::string &settings = folders_.SettingsFile();
  LWaveDeviceSpec device;
  device.index = ProfileReadInt(settings, "settings", deviceKey, -1);
  speaker_.SetDevice(LWaveDevices::OutOpener(device));
  const int db = std::max(ProfileReadDb(settings, "settings", volumeKey, 0) - lowerDb, -127);
  LSoundSourceRef source = LWaveFile::OpenSource(file);
  if (db != 0) source = LSPGain(static_cast<int8_t>(db)).OpenSource(std::move(source));
  if (!speaker_.Start(std::move(source), 0)) Trace("Engine cannot play %s", file.c_str());
}

void Engine::SetTimer(int id, uint32_t ms) {
  if (id == kSchedulerTimer && !stopping_) loop_.SetTimer(this, kSchedulerTimer, ms);
}

// Calls hang up and registrations end while the loop still runs.
void Engine::Shutdown() {
  if (stopping_) return;
  stopping_ = true;
  service::NotifyStopping();
  loop_.KillTimers(this);
  speaker_.Stop();
  phones_.HangUpAll();
  TearDownLines();
  if (stack_) stack_->PrepareShutdown();
  loop_.SetTimer(this, kStopTimer, kFarewellMs);
}

// --- lines --------------------------------------------------------------------

ConsoleHost Engine::MakeConsoleHost() {
  return ConsoleHost{
      folders_, status_, clock_,
      [this](const LMessage &message) { return loop_.Send(message, kConsoleWaitMs); },
      [this](std::function<void()> task) { return loop_.Call(std::move(task), kConsoleWaitMs); }, display_,
      [this](std::string title, std::string step, double fraction) {
        status_.SetProgress(std::move(title), std::move(step), fraction);
      },
      levelling_.get(), &ogms_, &phones_,
      [this](const std::string &path) { services_.AddLevellingWork(path); },
      [this](const std::string &path) { levelling_->Remove(path); },
      [this] { loop_.Post([this] { loop_.SetTimer(this, kConsoleMoveTimer, kConsoleMoveMs); }); }};
}

void Engine::OpenConsole() {
  ConsoleStart start = StartConsole(MakeConsoleHost());
  for (const std::string &warning : start.warnings) ReportConsoleProblem(warning);
  if (!start.server) {
    ReportConsoleProblem("no web console: " + start.error);
    return;
  }
  console_ = std::move(start.server);
  status_.SetConsoleAddress(console_->Address());
  std::printf("Console at %s\n", console_->Address().c_str());
  std::fflush(stdout);
}

// On the terminal (the journal under systemd) and in the system log, which
// the owner reads in the console's Logs.
void Engine::ReportConsoleProblem(const std::string &text) {
  std::fprintf(stderr, "zavotel: %s\n", text.c_str());
  log_.LogError(text);
}

void Engine::MoveConsole() {
  if (!console_) return;
  ConsoleStart start = ::MoveConsole(MakeConsoleHost(), std::move(console_));
  console_ = std::move(start.server);
  const std::string address = console_ ? console_->Address() : "";
  status_.SetConsoleAddress(address);
  if (!start.error.empty()) {
    log_.LogError("The console could not move: " + start.error +
                  (console_ ? "; it answers at " + address + " as before" : ""));
    return;
  }
  log_.Log("The console now answers at ", address);
  std::printf("Console moved to %s\n", address.c_str());
  std::fflush(stdout);
}

void Engine::SetUpLines() {
  const std::string &settings = folders_.SettingsFile();
  ProfileWriteBool(settings, "state", "restart", false);
  loop_.KillTimer(this, kRebuildLinesTimer);  // these lines serve a waiting rebuild too
  TearDownLines();
  if (reopenDevices_) {
    reopenDevices_ = false;
    stack_.reset();  // the old sockets close before the new ones listen
    stack_ = std::make_unique<SipStack>(settings, log_, clock_);
  }
  if (CountEnabledLines() == 0) AddDefaultLines();
  if (CountEnabledLines() == 0) {
    const char *notice =
        "No SIP line devices are set up, so no calls can be answered. Add a SIP device to the "
        "settings; the Call Simulator works meanwhile.";
    log_.LogError(notice);
    status_.SetNoDevicesNotice(notice);
    return;
  }
  status_.SetNoDevicesNotice("");
  size_t withoutDevice = 0;
  for (int n = 0; n < kMaxLines; ++n) {
    const std::string section = LineSection(n);
    if (!ProfileReadBool(settings, section, "use", false)) continue;
    const int device = ProfileReadInt(settings, section, "device", n);
    Line entry{device, nullptr, nullptr};
    entry.line = std::make_unique<LSipLine>(loop_, clock_, settings, stack_->Device(device));
    entry.controller = std::make_unique<IVRCMain>(*entry.line, static_cast<uint8_t>(n), folders_,
                                                  clock_, log_,
                                                  static_cast<IVRCMainWindow *>(this));
    entry.controller->SetCommands(&commands_);
    entry.controller->SetVoiceMail(&voiceMail_);
    entry.controller->SetServices(&services_);
    if (!stack_->Device(device)) {
      log_.LogError(TextFormat("Line %d: its SIP device %d is not available", n + 1, device));
      ++withoutDevice;
    }
    lines_.push_back(std::move(entry));
    status_.SetLineSetUp(n, true);
  }
  for (int device = 0; device < stack_->DeviceCount(); ++device) {
    SipDevice *sip = stack_->Device(device);
    if (!sip) continue;
    deviceCalls_.push_back(std::make_unique<DeviceCalls>(*this, device));
    sip->SetListener(deviceCalls_.back().get());
  }
  const size_t ready = lines_.size() - withoutDevice;
  log_.Log(withoutDevice == 0
               ? TextFormat("%zu line(s) ready", ready)
               : TextFormat("%zu line(s) ready, %zu without a SIP device", ready, withoutDevice));
  for (const Line &entry : lines_) {
    if (const SipDevice *sip = stack_->Device(entry.device)) {
      std::printf("Answering on sip:%s (SIP device %d, \"%s\")\n", sip->ListenAddress().c_str(),
                  entry.device, stack_->GetLineName(entry.device).c_str());
    }
  }
  std::fflush(stdout);
}

int Engine::CountEnabledLines() const {
  int count = 0;
  for (int n = 0; n < kMaxLines; ++n) {
    if (ProfileReadBool(folders_.SettingsFile(), LineSection(n), "use", false)) ++count;
  }
  return count;
}

// A line for every voice-capable device, so a fresh installation answers.
void Engine::AddDefaultLines() {
  const std::string &settings = folders_.SettingsFile();
  int n = 0;
  for (int device = 0; device < stack_->DeviceCount() && n < kMaxLines; ++device) {
    if (!stack_->IsVoiceCapable(device)) continue;
    const std::string section = LineSection(n);
    ProfileWriteBool(settings, section, "use", true);
    ProfileWriteInt(settings, section, "device", device);
    ProfileWriteString(settings, section, "name", TextFormat("Line %d", n + 1));
    ProfileWriteBool(settings, section, "ogmoverride", false);
    ++n;
  }
}

// Calls in progress end first, so each controller finishes its call (a
// message being recorded is kept, announced and queued for delivery); then
// the controllers leave their lines before the lines close.
void Engine::TearDownLines() {
  if (stack_) {
    for (int device = 0; device < stack_->DeviceCount(); ++device) {
      if (SipDevice *sip = stack_->Device(device)) sip->SetListener(nullptr);
    }
  }
  deviceCalls_.clear();
  for (Line &entry : lines_) entry.line->Close();
  for (Line &entry : lines_) entry.controller.reset();
  lines_.clear();
  for (int n = 0; n < EngineStatus::kShownLines; ++n) status_.SetLineSetUp(n, false);
}

void Engine::DeviceCalls::OnIncomingCall(std::unique_ptr<SipCall> call) {
  engine.OfferCall(device, std::move(call));
}

// The first idle line of the device takes the call; a call nobody takes is
// refused as busy when it goes.
void Engine::OfferCall(int device, std::unique_ptr<SipCall> call) {
  for (Line &entry : lines_) {
    if (entry.device == device && entry.line->IsIdle() && entry.line->Offer(call)) return;
  }
  Trace("Engine no idle line for an incoming call: busy");
}
