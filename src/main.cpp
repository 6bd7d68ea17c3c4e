#include <cstdio>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "core/Core.h"

namespace {

using CommandFunction = int (*)(const CommandLine&);

void PrintFolder(const char* label, const std::string& path) {
  std::printf("  %-24s %s\n", label, path.c_str());
}

// The engine's main job. It prepares the data folder and reports where
// everything is.
int RunEngine(const CommandLine& line) {
  DataRootChoice choice = DataRootChoice::FromEnvironment(line.dataOption, false);
  DataFolders folders = DataFolders::Resolve(choice.Root());
  bool created = folders.CreateMissing();
  bool written = created && WriteFirstStartSettings(folders.SettingsFile());
  std::printf("Zavotel data folder %s\n", folders.Root().c_str());
  PrintFolder("settings file", folders.SettingsFile());
  PrintFolder("OGMs", folders.Ogms());
  PrintFolder("MailBoxes", folders.MailBoxes());
  PrintFolder("System Prompts", folders.SystemPrompts());
  PrintFolder("Default System Prompts", folders.DefaultSystemPrompts());
  PrintFolder("Logs", folders.Logs());
  if (!written) {
    std::fprintf(stderr, "zavotel: the data folder could not be prepared (see above)\n");
    return 1;
  }
  return 0;
}

int PrintHelp(const CommandLine&) {
  std::printf(
      "usage: zavotel [--data DIR] [COMMAND]\n"
      "\n"
      "  run       prepare the data folder and run the engine (the default)\n"
      "  audio info FILE\n"
      "            describe a WAVE file: format, rate, channels, bits, length\n"
      "  audio convert IN OUT [--format NAME|TAG,RATE,CHANNELS,BITS]\n"
      "            convert a WAVE file (default 16-bit PCM, 8000 Hz, mono)\n"
      "  audio formats\n"
      "            list the formats convert can write\n"
      "  help      show this text\n"
      "\n"
      "The data folder is DIR, else $ZAVOTEL_DATA, else $XDG_DATA_HOME/zavotel\n"
      "(~/.local/share/zavotel).\n");
  return 0;
}

struct Command {
  const char* name;
  CommandFunction run;
};

constexpr Command kCommands[] = {
    {"run", RunEngine},
    {"audio", RunAudioCommand},
    {"help", PrintHelp},
};

}  // namespace

int main(int argc, char** argv) {
  CommandLine line = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.error.empty()) {
    std::fprintf(stderr, "zavotel: %s (try zavotel help)\n", line.error.c_str());
    return 2;
  }
  for (const Command& command : kCommands) {
    if (line.command == command.name) return command.run(line);
  }
  std::fprintf(stderr, "zavotel: unknown command %s (try zavotel help)\n", line.command.c_str());
  return 2;
}
