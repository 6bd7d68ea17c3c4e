#pragma once
#include <functional>
#include <optional>
#include <string>
#include "core/DataFolders.h"
#include "core/LThread.h"
#include "core/TempFile.h"
#include "ivrfile/IvrProgram.h"

class EngineStatus;

// Loads IVR program files for the engine on a worker, so the lines go on
// answering meanwhile: its progress and outcome go to the status the console
// reads, and `done` is called (on the worker) when a load has ended. A file
// handed over for a quiet load is copied first: its sender may delete it as
// soon as the hand-over returns.
class ProgramLoader final : public LThread {
 public:
  using Done = std::function<void(const IvrLoadOutcome&)>;
  ProgramLoader(const DataFolders& folders, EngineStatus& status, Done done);
  ~ProgramLoader() override;

  // False (nothing started) while another load runs or the copy failed.
  bool Load(const std::string& path, bool quiet, IvrLoadOrigin origin);

 protected:
  void ThreadFunction() override;

 private:
  const DataFolders folders_;
  EngineStatus& status_;
  const Done done_;
  std::string path_;
  bool quiet_ = false;
  IvrLoadOrigin origin_ = IvrLoadOrigin::kOwner;
  // The copy a quiet load reads, gone with the load.
  std::optional<TempFile> copy_;
};
