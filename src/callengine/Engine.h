#pragma once

#include <memory>
#include <vector>

#include "callengine/EngineOgms.h"
#include "callengine/BrowserPhones.h"
#include "callengine/EngineServices.h"
#include "callengine/IVRCMain.h"
#include "callengine/IVRCMainWindow.h"
#include "callengine/OutboundScheduler.h"
#include "callengine/ProgramLoader.h"
#include "callengine/OGMCommands.h"
#include "callengine/VoiceMailFlows.h"
#include "core/CommandLine.h"
#include "core/ControlServer.h"
#include "core/DataFolders.h"
#include "core/EngineStatus.h"
#include "core/LProcessListThread.h"
#include "core/LTimerHandler.h"
#include "core/MainLoop.h"
#include "core/SystemClock.h"
#include "log/LogFile.h"
#include "log/StatusDisplay.h"
#include "mail/delivery/BGTask.h"
#include "telephony/wave/LSoundPlayer.h"
#include "telephony/sip/SipDeviceListener.h"
#include "ui/ConsoleServer.h"

class LSipLine;
class SipStack;

// How the engine was started: the start option, the first argument (an IVR
// program file to load) and the control socket it answers on.
struct EngineStart {
  CommandLine::Start mode = CommandLine::Start::kNormal;
  std::string argument;
  std::unique_ptr<ControlEndpoint> control;
  // Found while the data folder was opened; logged as errors once the
  // engine runs.
  std::vector<std::string> problems;
};

// The engine's main job: the SIP devices, one line and one call controller
// per enabled line section, answering until SIGTERM, SIGINT or a shutdown
// request, then an orderly stop (calls hung up, registrations ended, workers
// stopped). It is the controllers' main window: it handles the main-window
// messages (EngineMessages.cpp), keeps what a window would show in its
// status for the console, and answers the control socket.
class Engine final : private LTimerHandler, private IVRCMainWindow {
 public:
  // Lines are built this long after start.
  static constexpr uint64_t kLineSetUpMs = 1000;
  // Lines are rebuilt this long after a program was loaded or a new one begun.
  static constexpr uint64_t kLineRebuildAfterLoadMs = 1750;
  // After a load or a change of the line settings, calls in progress are
  // waited for this long at most, looked at this often, before the lines are
  // rebuilt.
  static constexpr uint64_t kCallsWaitMs = 10 * 60 * 1000;
  static constexpr uint64_t kCallsPollMs = 1000;
  // The loop runs on this long after a stop so BYE and unREGISTER go out.
  static constexpr uint64_t kFarewellMs = 500;
  static constexpr int kMaxLines = 64;
  // A console request waits this long for the main loop, which may be busy
  // setting up lines on a loaded machine; the browser waits meanwhile.
  static constexpr uint64_t kConsoleWaitMs = 10000;

  explicit Engine(const DataFolders &folders, EngineStart start = {});
  ~Engine() override;
  Engine(const Engine &) = delete;
  Engine &operator=(const Engine &) = delete;

  // Returns the process's exit status.
  int Run();

  const EngineStatus &Status() const { return status_; }

 private:
  // The main window's timers keep their numbers; the rest have no window.
  enum Timer {
    kSchedulerTimer = IVRCMainWindow::kSchedulerTimer,
    kLineSetUpTimer = 3,
    kCallerIdTimer = 4,
    kNewMessageBeepTimer = 7,
    kStopTimer = 100,
    kDeviceStateTimer = 101,
    kWatchdogTimer = 102,
    kConsoleMoveTimer = 103,
    kRebuildLinesTimer = 104,
  };
  static constexpr uint64_t kBeepFirstMs = 2000;
  static constexpr uint64_t kBeepAgainMs = 15000;
  static constexpr uint64_t kSchedulerFirstMs = 5000;
  static constexpr uint64_t kSchedulerAgainMs = 7000;
  static constexpr uint64_t kSchedulerAfterMessageMs = 4500;
  static constexpr uint64_t kSchedulerAfterAddMs = 100;
  static constexpr uint64_t kCallerIdMs = 15000;
  static constexpr uint64_t kCallerIdFirstMs = 10000;
  // Lines are rebuilt this long after the settings were closed with
  // [state] "restart" true.
  static constexpr uint64_t kRestartSetUpMs = 750;
  static constexpr uint64_t kDeviceStateMs = 1000;
  // The console moves this long after the request asking for it, so its
  // answer reaches the browser first.
  static constexpr uint64_t kConsoleMoveMs = 500;

  void OnTimer(int id) override;
  // IVRCMainWindow.
  void Post(LMessage message) override;
  void SetTimer(int id, uint32_t ms) override;
  void RunScheduler();
  // Finds messages whose recording a crash cut off and announces them.
  void RecoverMessages();
  void NewMessageBeep();
  // EngineMessages.cpp: every main-window message, from the controllers and
  // through the loop; the result is what a sender waiting for it gets.
  int64_t HandleMessage(const LMessage &message);
  int64_t ControlCommand(int64_t command, const std::string &text);
  // False when a program file named could not be handed to the loader.
  bool LoadFromSecondCopy(const std::string &text);
  // False when the load could not start.
  bool ReceiveProgramFile(const std::string &path, bool quiet,
                          IvrLoadOrigin origin = IvrLoadOrigin::kOwner);
  void ProgramLoaded(const IvrLoadOutcome &outcome);
  // Rebuilds the lines `afterMs` from now, once no call is in progress;
  // `reason` ("the IVR program loaded") tells the log what waited.
  void RebuildLinesWhenCallsEnd(uint64_t afterMs, const char *reason);
  void RebuildLinesIfNoCalls();
  int CallsInProgress() const;
  int64_t NewProgram();
  void ShowCallerId(const std::string &text);
  void NewMessage(bool beep);
  // Clears [state] "newmessages" and stops the beep.
  void MessagesSeen();
  int64_t SettingsClosed();
  void PublishDeviceStates();
  void WakeDelivery() { delivery_.Wake(); }
  // Runs on the control server's thread.
  control::Reply OnControlRequest(const LMessage &message);
  // Why a control request cannot be carried out, or empty.
  std::string ControlRefusal(const LMessage &message) const;
  std::string Describe() const;
  // Plays a file on the local sound card: `deviceKey` and `volumeKey` of
  // [settings] choose the device and the level (dB, lowered by `lowerDb`).
  void PlayOnSpeaker(const std::string &file, const char *deviceKey, const char *volumeKey,
                     int lowerDb);
  void OfferCall(int device, std::unique_ptr<SipCall> call);
  int64_t OnMessage(const LMessage &message);
  // Starts the web console after the control server and says where it is.
  void OpenConsole();
  void ReportConsoleProblem(const std::string &text);
  // What the console reaches of the engine.
  ConsoleHost MakeConsoleHost();
  // To where its Console access page saved, or back where it was.
  void MoveConsole();
  void SetUpLines();
  int CountEnabledLines() const;
  void AddDefaultLines();
  void TearDownLines();
  void Shutdown();

  const DataFolders folders_;
  EngineStart start_;
  // The console reads it; the main thread writes it.
  EngineStatus status_;
  SystemClock clock_;
  MainLoop loop_{clock_};
  StatusDisplay display_{clock_};
  LogFile log_;
  // The OGM list's files and report, for the console.
  EngineOgms ogms_{folders_, log_};
  // Levels recordings and greetings in the background (the list "agc.dat").
  std::unique_ptr<LProcessListThread> levelling_;
  // Delivers messages, checks for program updates and deletes old messages.
  BGTask delivery_;
  // Loads IVR program files while the lines go on answering.
  ProgramLoader loader_;
  EngineServices services_;
  OGMCommands commands_;
  VoiceMailFlows voiceMail_;
  OutboundScheduler scheduler_;
  // Announcements and the new-message beep.
  LSoundPlayer speaker_{loop_, nullptr, 0};
  std::unique_ptr<SipStack> stack_;
  struct Line {
    int device;
    std::unique_ptr<LSipLine> line;
    std::unique_ptr<IVRCMain> controller;
  };
  std::vector<Line> lines_;
  // Hands each device's offered calls to the engine with the device's index.
  struct DeviceCalls final : SipDeviceListener {
    DeviceCalls(Engine &owner, int index) : engine(owner), device(index) {}
    void OnIncomingCall(std::unique_ptr<SipCall> call) override;
    Engine &engine;
    const int device;
  };
  std::vector<std::unique_ptr<DeviceCalls>> deviceCalls_;
  std::unique_ptr<ControlServer> control_;
  // Calls from console pages; the console, which reaches them, goes first.
  BrowserPhones phones_{BrowserPhoneServices{loop_, clock_, folders_, log_, &commands_, &voiceMail_,
                                             &services_, this}};
  std::unique_ptr<ConsoleServer> console_;
  uint64_t watchdogMs_ = 0;
  // When the rebuild after a load stops waiting for calls in progress.
  uint64_t rebuildDeadline_ = 0;
  const char *rebuildReason_ = "";
  bool reopenDevices_ = false;  // the next line set-up opens the SIP devices again
  bool stopping_ = false;
};
