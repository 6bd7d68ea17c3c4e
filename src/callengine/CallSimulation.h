#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "callengine/IVRCMain.h"
#include "callengine/OGMCommands.h"
#include "callengine/SimulateOptions.h"
#include "callengine/VoiceMailFlows.h"
#include "core/DataFolders.h"
#include "core/LTimerHandler.h"
#include "core/MainLoop.h"
#include "core/SystemClock.h"
#include "log/LogFile.h"
#include "log/StatusDisplay.h"
#include "telephony/line/LCallSimulator.h"

class IVRCServices;

// One simulated call on the data folder with the full call controller:
// scripted (keys at set times, the caller's voice from a file, what the
// caller hears into a file) or interactive on the sound card and terminal.
class CallSimulation final : private LTimerHandler {
 public:
  // The simulator's own line, after any real line: its settings section and
  // most recent call file never clash with a line in service.
  static constexpr uint8_t kLineIndex = 99;

  // `services` may be null (no speech: spoken OGM texts are silent).
  CallSimulation(const DataFolders &folders, const SimulateOptions &options,
                 IVRCServices *services);
  ~CallSimulation() override;
  CallSimulation(const CallSimulation &) = delete;
  CallSimulation &operator=(const CallSimulation &) = delete;

  // Both return the process's exit status.
  int RunScripted();
  int RunInteractive();

  const std::string &CallFile() const { return controller_.MostRecentCallFile(); }

 private:
  enum Timer { kHangUpTimer = -1, kScreenTimer = -2 };

  void OnTimer(int id) override;
  void OnState(bool connected);
  void ReadTerminal();
  void OnTerminalKey(char c);
  void ShowNewLogLines();

  const SimulateOptions options_;
  const bool interactive_;
  SystemClock clock_;
  MainLoop loop_{clock_};
  StatusDisplay display_{clock_};
  LogFile log_;
  std::shared_ptr<LWaveOutFileTape> tape_;
  LCallSimulator line_;
  OGMCommands commands_;
  VoiceMailFlows voiceMail_;
  IVRCMain controller_;
  bool everConnected_ = false;
  std::size_t shownBytes_ = 0;
  std::atomic<bool> stopTerminal_{false};
  std::thread terminal_;
};
