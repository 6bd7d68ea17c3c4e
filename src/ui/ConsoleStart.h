#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/ConsoleServer.h"

// The engine's one call: reads [console] from the settings file, then
// starts the server on the pages installed with the program.
struct ConsoleStart {
  std::unique_ptr<ConsoleServer> server;  // null when it could not start
  std::string error;
  // What the owner should put right though it started (the pages missing, a
  // password typed into the file by hand).
  std::vector<std::string> warnings;
};
ConsoleStart StartConsole(ConsoleHost host);
// Moves the console to what [console] says now, on exactly its port:
// `running` stops first (the new address may share its port). When the new
// one cannot start, the old address and port go back into the file and the
// old console starts again there; `error` says why it did not move.
ConsoleStart MoveConsole(ConsoleHost host, std::unique_ptr<ConsoleServer> running);

// "zavotel console-password": reads a new password from standard input
// (twice, without echo, at a terminal) and stores its hash in [console]
// "password" of `settingsFile`; an empty password removes it. 0 when done.
int RunConsolePasswordCommand(const std::string& settingsFile);
