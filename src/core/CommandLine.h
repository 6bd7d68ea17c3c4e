#pragma once

#include <string>
#include <vector>

// The zavotel command line: global options first, then a subcommand and its
// arguments. "zavotel" alone runs the engine ("run").
struct CommandLine {
  // How the engine was started: by hand, by the log-on entry, or by the
  // service manager (foreground, no terminal expected).
  enum class Start { kNormal, kLogon, kService };

  std::string command = "run";
  std::vector<std::string> arguments;
  std::string dataOption;  // --data DIR
  Start start = Start::kNormal;
  std::string error;       // set when the line cannot be understood

  static CommandLine Parse(const std::vector<std::string>& args);

  // The text a second copy hands to the running engine: its start option,
  // or the IVR program file it was given (the first argument of "run").
  std::string ForwardText() const;
};

// Exit statuses every command shares: scripts tell a failure from a usage
// error and from an interrupt (Ctrl-C, as a shell reports SIGINT).
enum CommandExit : int {
  kExitFailed = 1,
  kExitUsage = 2,
  kExitInterrupted = 130,
};

// A first word that is no command but names an IVR program file: it ends in
// ".ivr" (any case) or is a path with a separator.
bool LooksLikeProgramFile(const std::string& word);
