#pragma once

#include <optional>

#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/LOGMDefinition.h"
#include "plugins/Plugin.h"

class LogCall;

// Runs the programs of an OGM node ("run1" ... "runcount") for one line.
// Plain programs are started and forgotten; with "runasplugin" each one is a
// plug-in whose results become call parameters, and the programs after it
// run only once it has returned. The controller learns of the return by
// polling at play position reports; a plug-in still running when the OGM
// audio ends is abandoned and its results are never read.
class IVRCProgramRunner {
 public:
  enum class Outcome {
    kPluginRunning,  // the rest follows the plug-in's return
    kDone,           // every program has been started
    kSkipToEnd,      // done, and "runcompleteskip" asks for "playcomplete"
  };

  explicit IVRCProgramRunner(LogCall& callLog) : callLog_(callLog) {}
  IVRCProgramRunner(const IVRCProgramRunner&) = delete;
  IVRCProgramRunner& operator=(const IVRCProgramRunner&) = delete;

  // Runs `ogm`'s programs from the first one.
  Outcome Begin(const LOGMDefinition& ogm, LHashTable& parms, const LCallIdentity& call);
  // When the running plug-in has returned: its output becomes parameters and
  // the programs after it run. nullopt while nothing has returned.
  std::optional<Outcome> Poll(const LOGMDefinition& ogm, LHashTable& parms,
                              const LCallIdentity& call);
  // The OGM audio ended first: the plug-in is given up on.
  void Abandon();
  // A new call or a hang-up: nothing is watched any more.
  void Reset() { plugin_.StopWatching(); }
  bool IsPluginRunning() const { return plugin_.IsPluginRunning(); }

 private:
  Outcome RunFrom(const LOGMDefinition& ogm, const LHashTable& parms, const LCallIdentity& call);

  LogCall& callLog_;
  Plugin plugin_;
  int runIndex_ = 0;  // "run%d" entries started for this node
};
