#include "callengine/IVRCProgramRunner.h"

#include "core/Path.h"
#include "core/QueryText.h"
#include "log/LogCall.h"

IVRCProgramRunner::Outcome IVRCProgramRunner::Begin(const LOGMDefinition& ogm, LHashTable& parms,
                                                    const LCallIdentity& call) {
  runIndex_ = 0;
  return RunFrom(ogm, parms, call);
}

std::optional<IVRCProgramRunner::Outcome> IVRCProgramRunner::Poll(const LOGMDefinition& ogm,
                                                                  LHashTable& parms,
                                                                  const LCallIdentity& call) {
  if (!plugin_.IsPluginRunning() || !plugin_.HasReturned()) return std::nullopt;
  std::string output = plugin_.GetReturnValue();
  // The line end a program prints last is not part of its last value.
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  ParseQueryText(output, [&](const std::string& name, const std::string& value) {
    parms.SetParm(name, value);
  });
  callLog_.Log("Plugin returned: ", CutText(output));
  plugin_.StopWatching();
  return RunFrom(ogm, parms, call);
}

void IVRCProgramRunner::Abandon() {
  if (!plugin_.IsPluginRunning()) return;
  callLog_.Log("Plugin did not return before OGM finished playing - aborting plugin");
  plugin_.StopWatching();
}

IVRCProgramRunner::Outcome IVRCProgramRunner::RunFrom(const LOGMDefinition& ogm,
                                                      const LHashTable& parms,
                                                      const LCallIdentity& call) {
  const bool asPlugin = ogm.IsSet(LOGMDefinition::Flag::kRunAsPlugin);
  while (runIndex_ < ogm.ProgramCount()) {
    const LOGMDefinition::CommandLine command = ogm.Program(++runIndex_, parms, call);
    if (asPlugin) {
      callLog_.Log("Run plugin: ", command.text);
      // A plug-in that cannot start never returns: the next one runs now.
      if (plugin_.Run(command.arguments, true)) return Outcome::kPluginRunning;
      continue;
    }
    callLog_.Log("Run file: ", command.text);
    plugin_.Run(command.arguments, false);
  }
  plugin_.StopWatching();
  if (!ogm.IsSet(LOGMDefinition::Flag::kRunCompleteSkip)) return Outcome::kDone;
  callLog_.Log("Plugin returned so skip to end");
  return Outcome::kSkipToEnd;
}
