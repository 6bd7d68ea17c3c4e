#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "audio/TtsCommand.h"
#include "callengine/Engine.h"
#include "callengine/EngineServices.h"
#include "callengine/FactoryDataSet.h"
#include "callengine/SimulateCommand.h"
#include "core/Core.h"
#include "ivrfile/IvrFile.h"
#include "log/Log.h"

namespace {

using CommandFunction = int (*)(const CommandLine&);

// How long a simulated call's recordings may take to level before exit.
constexpr int kLevellingGraceMs = 60000;

void PrintFolder(const char* label, const std::string& path) {
  std::printf("  %-24s %s\n", label, path.c_str());
}

// Every command that works on the data folder opens it here: the folders,
// the first-start settings and the factory files are created where missing.
// Nullopt when the folder itself cannot be prepared; missing factory files
// (no speech voice, say) are reported and the command goes on.
std::optional<DataFolders> OpenDataFolders(const CommandLine& line) {
  DataRootChoice choice = DataRootChoice::FromEnvironment(line.dataOption, false);
  DataFolders folders = DataFolders::Resolve(choice.Root());
  if (!folders.CreateMissing() || !WriteFirstStartSettings(folders.SettingsFile())) {
    std::fprintf(stderr, "zavotel: the data folder %s could not be prepared (see above)\n",
                 folders.Root().c_str());
    return std::nullopt;
  }
  if (!FactoryDataSet(folders).CreateMissing()) {
    std::fprintf(stderr, "zavotel: some factory files could not be made (see above)\n");
  }
  return folders;
}

// The engine's main job: prepares the data folder, reports where everything
// is, and answers calls on the SIP lines until SIGTERM or SIGINT.
int RunEngine(const CommandLine& line) {
  std::optional<DataFolders> opened = OpenDataFolders(line);
  if (!opened) return 1;
  const DataFolders& folders = *opened;
  std::printf("Zavotel data folder %s\n", folders.Root().c_str());
  PrintFolder("settings file", folders.SettingsFile());
  PrintFolder("OGMs", folders.Ogms());
  PrintFolder("MailBoxes", folders.MailBoxes());
  PrintFolder("System Prompts", folders.SystemPrompts());
  PrintFolder("Default System Prompts", folders.DefaultSystemPrompts());
  PrintFolder("Logs", folders.Logs());
  std::fflush(stdout);
  return Engine(folders).Run();
}

// One call without a telephone on the data folder.
int RunSimulate(const CommandLine& line) {
  std::optional<DataFolders> opened = OpenDataFolders(line);
  if (!opened) return 1;
  // A message left in the call is levelled before the command returns.
  SystemClock clock;
  StatusDisplay display(clock);
  LogFile log(opened->Logs(), clock, display);
  std::unique_ptr<LProcessListThread> levelling = MakeAutoGainWorkList(log);
  levelling->SetListFilePath(PathJoin(opened->Root(), kAutoGainListFile));
  EngineServices services(opened->Root(), opened->SettingsFile(), levelling.get());
  const int status = RunSimulateCommand(line.arguments, *opened, &services);
  if (!FinishAutoGainWork(*levelling, kLevellingGraceMs)) {
    std::fprintf(stderr, "zavotel simulate: levelling goes on at the next start\n");
  }
  return status;
}

// IVR program files; "info" reads a file without the data folder.
int RunIvr(const CommandLine& line) {
  return RunIvrCommand(line.arguments, [&line] { return OpenDataFolders(line); });
}

int PrintHelp(const CommandLine&) {
  std::printf(
      "usage: zavotel [--data DIR] [COMMAND]\n"
      "\n"
      "  run       prepare the data folder and answer calls until stopped (the default)\n"
      "  audio info FILE\n"
      "            describe a WAVE file: format, rate, channels, bits, length\n"
      "  audio convert IN OUT [--format NAME|TAG,RATE,CHANNELS,BITS]\n"
      "            convert a WAVE file (default 16-bit PCM, 8000 Hz, mono)\n"
      "  audio formats\n"
      "            list the formats convert can write\n"
      "  audio import IN OUT\n"
      "            a WAVE or MP3 file into the line format, levelled\n"
      "  audio level FILE\n"
      "            level the speech in a WAVE file in place\n"
      "  tts TEXT OUT.wav [--voice N]\n"
      "            speak TEXT into a WAVE file with the voice at position N\n"
      "  tts --list-voices\n"
      "            list the speech voices by position\n"
      "  simulate [--keys KEY@SECONDS,...] [--caller-audio IN.wav] [--hear OUT.wav]\n"
      "           [--hangup-after SECONDS]\n"
      "            one call without a telephone: scripted with these options,\n"
      "            else interactive on the sound card (Enter connects and hangs up)\n"
      "  ivr save OUT.ivr [--description FILE]\n"
      "            save the IVR program (by default every OGM, mailbox with its\n"
      "            greeting and system prompt, the answering OGM and the notes)\n"
      "  ivr load FILE.ivr [--quiet] [--yes]\n"
      "            load an IVR program file into the data folder\n"
      "  ivr new [--yes]\n"
      "            start a new IVR program: every OGM is deleted\n"
      "  ivr info FILE.ivr\n"
      "            list the records of an IVR program file without loading it\n"
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
    {"tts", RunTtsCommand},
    {"simulate", RunSimulate},
    {"ivr", RunIvr},
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
