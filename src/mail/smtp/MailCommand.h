#pragma once

struct CommandLine;

// "zavotel mail test ADDRESS": sends a short test message with the data
// folder's e-mail settings, prints the dialogue and "sent" or the error.
// Returns the process exit status (0 only when sent).
int RunMailCommand(const CommandLine& line);
