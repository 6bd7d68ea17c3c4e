#pragma once

#include <string>
#include <vector>

#include "core/CommandLine.h"
#include "core/LMessage.h"

// "zavotel ctl ping|on|off|select-ogm NAME|add-outbound ENTRY|load FILE|shutdown"
// sends one control request to the engine running on the data folder.
struct ControlArguments {
  LMessage message;
  std::string error;  // why the arguments cannot be sent; empty when they can
};
ControlArguments ParseControlArguments(const std::vector<std::string>& arguments);

// Prints the engine's result (ping answers 1, the others 0) and returns 0;
// 1 with "no running engine on the data folder DIR", the engine's refusal or a program file that
// is not there, 2 for bad arguments.
int RunControlCommand(const CommandLine& line);
