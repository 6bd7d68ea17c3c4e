#pragma once

struct CommandLine;

// "zavotel audio info FILE" describes a WAVE or MP3 file; "zavotel audio convert IN
// OUT [--format F]" converts one, by default to 16-bit PCM, 8000 Hz, mono.
// Returns the process exit status.
int RunAudioCommand(const CommandLine& line);
