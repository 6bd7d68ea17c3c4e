#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include "core/LMessage.h"

class DataFolders;
class LogFile;
class LProgress;
class LProcessListThread;

// What every step of a delivery pass works with: the data folder, the system
// log, the progress that ends the pass when the task is stopped, the
// levelling work list (a message is converted only once it is levelled) and
// the main window, told of removed messages and downloaded programs.
struct DeliveryContext {
  // Returns the main window's answer, nothing when it gave none in time.
  using Notify = std::function<std::optional<int64_t>(LMessage)>;

  const DataFolders& folders;
  LogFile& log;
  LProgress& progress;
  const LProcessListThread* levelling = nullptr;
  Notify notify;
};
