#include "callengine/SimulateCommand.h"

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "callengine/CallSimulation.h"
#include "callengine/SimulateOptions.h"

int RunSimulateCommand(const std::vector<std::string> &arguments, const DataFolders &folders,
                       IVRCServices *services) {
  std::string error;
  const std::optional<SimulateOptions> options = SimulateOptions::Parse(arguments, error);
  if (!options) {
    std::fprintf(stderr, "zavotel simulate: %s (try zavotel help)\n", error.c_str());
    return 2;
  }
  if (!options->Scripted() && ::isatty(STDIN_FILENO) == 0) {
    std::fprintf(stderr,
                 "zavotel simulate: an interactive call needs a terminal; give --keys, "
                 "--caller-audio, --hear or --hangup-after to run a scripted one\n");
    return 2;
  }
  if (!options->callerAudio.empty() && ::access(options->callerAudio.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "zavotel simulate: cannot read %s\n", options->callerAudio.c_str());
    return 2;
  }
  CallSimulation call(folders, *options, services);
  return options->Scripted() ? call.RunScripted() : call.RunInteractive();
}
