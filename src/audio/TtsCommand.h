#pragma once

struct CommandLine;

// "zavotel tts TEXT OUT.wav [--voice N]" speaks TEXT into a WAVE file (16-bit
// mono at the voice's rate); "zavotel tts --list-voices" lists the voices by
// position. Returns the process exit status.
int RunTtsCommand(const CommandLine& line);
