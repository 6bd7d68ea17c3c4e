#pragma once

#include <string>
#include <vector>

// The zavotel command line: global options first, then a subcommand and its
// arguments. "zavotel" alone runs the engine ("run").
struct CommandLine {
  std::string command = "run";
  std::vector<std::string> arguments;
  std::string dataOption;  // --data DIR
  std::string error;       // set when the line cannot be understood

  static CommandLine Parse(const std::vector<std::string>& args);
};
