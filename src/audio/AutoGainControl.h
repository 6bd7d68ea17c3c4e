#pragma once

#include <string>

#include "audio/LDPAutoGain.h"

class LProgress;
class LogFile;

// Levels one file in place: the levelled copy is written to a temporary
// file, and only once it is complete, and no player, recorder or mailer has
// the original open (their advisory locks), does it replace the original.
class AutoGainControl {
 public:
  enum Result : int {
    kDone = 0,       // levelled, or the file has gone meanwhile
    kNotLevelled = 1,  // stopped, or failed for now (a full disk): try again later
    kNotWave = 2,    // not a WAVE file this system can read
  };
  // How long the replacement waits between looks at a file in use.
  static constexpr int kInUseWaitMs = 500;

  // The parameters every levelling uses.
  static LDPAutoGain::Parameters Parameters();

  // The progress names the file (its title goes to the system log on a
  // worker) and tells when to stop; failures go to `log` in the error form
  // when it is given.
  static Result Process(const std::string& path, LProgress& progress, LogFile* log);
};
