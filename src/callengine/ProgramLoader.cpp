#include "callengine/ProgramLoader.h"

#include <filesystem>

#include "audio/LProgress.h"
#include "core/EngineStatus.h"

namespace {

// The load's steps and fraction, shown through the status.
class StatusProgress final : public LProgress {
 public:
  StatusProgress(EngineStatus& status, const LSignalObject& stop) : status_(status), stop_(stop) {}
  void SetText(int line, std::string_view text) override {
    if (line == 1) status_.SetLoadProgress(std::string(text), fraction_);
  }
  void SetProgress(double fraction) override { fraction_ = fraction; }
  bool IsCancelled() override { return stop_.IsSet(); }

 private:
  EngineStatus& status_;
  const LSignalObject& stop_;
  double fraction_ = 0;
};

}  // namespace

ProgramLoader::ProgramLoader(const DataFolders& folders, EngineStatus& status, Done done)
    : folders_(folders), status_(status), done_(std::move(done)) {}

ProgramLoader::~ProgramLoader() { StopThreadTimed(kStopTimeoutMs); }

bool ProgramLoader::Load(const std::string& path, bool quiet, IvrLoadOrigin origin) {
  if (IsRunning()) return false;
  quiet_ = quiet;
  origin_ = origin;
  path_ = path;
  copy_.reset();
  if (quiet) {
    copy_.emplace();
    std::error_code error;
    if (copy_->Valid())
      std::filesystem::copy_file(path, copy_->Path(), std::filesystem::copy_options::overwrite_existing, error);
    if (!copy_->Valid() || error) return false;
    path_ = copy_->Path();
  }
  status_.SetLoadProgress("Loading " + path, 0);
  return Start(kPriorityBelowNormal);
}

void ProgramLoader::ThreadFunction() {
  StatusProgress progress(status_, StopSignal());
  const IvrLoadOutcome outcome = LoadIvrProgram(folders_, path_, quiet_, progress, origin_);
  copy_.reset();
  status_.SetLoadProgress("", outcome.result == kProcessDone ? 1 : 0);
  done_(outcome);
}
