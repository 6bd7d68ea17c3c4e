#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/DataFolders.h"
#include "core/EngineStatus.h"
#include "core/LClock.h"
#include "core/LMessage.h"
#include "log/StatusDisplay.h"

class ConsoleOgms;
class ConsolePhones;
class LProcessListThread;

// What the console needs of the engine that owns it. Everything here must
// outlive the console's server.
struct ConsoleHost {
  const DataFolders& folders;
  // Read from the console's threads; the engine's main thread writes it.
  const EngineStatus& status;
  const LClock& clock;
  // Hands a main-window message to the engine's main loop and waits a
  // bounded time for its result; nothing when the loop did not answer. Every
  // state change goes this way, so the main thread stays the one writer.
  std::function<std::optional<int64_t>(const LMessage&)> send;
  // Runs a task on the engine's main thread and waits a bounded time; false
  // when it did not run in time (it may run later: it owns what it uses).
  // Changes to the data folder the console makes go this way too.
  std::function<bool(std::function<void()>)> onMain;
  // The live view of the system log.
  const StatusDisplay& log;
  // Shows how a long job the console runs on its own thread goes (title,
  // step, fraction 0..1; title "" when it ended). Any thread may call it.
  std::function<void(std::string, std::string, double)> progress;
  // The levelling work list, null when there is none: a message is
  // converted for e-mail only once it is levelled.
  const LProcessListThread* levelling = nullptr;
  // The OGM files as the OGM list sees them; null when there is no list.
  ConsoleOgms* ogms = nullptr;
  // The browser phones, null when there are none.
  ConsolePhones* phones = nullptr;
  // Queues an audio file the console imported for levelling; called on the
  // main loop. Empty when nothing levels.
  std::function<void(const std::string&)> level;
  // Takes a file out of the levelling queue when the console put back audio
  // that must stay as it is (a factory prompt); called on the main loop.
  std::function<void(const std::string&)> unlevel;
  // Moves the console to the address and port [console] names now, once
  // the answer in hand went out (never on the calling request thread, which
  // the old server's stop waits for). Empty when it cannot move.
  std::function<void()> move;
};
