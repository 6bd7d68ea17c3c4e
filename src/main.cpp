#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "audio/TtsCommand.h"
#include "callengine/ControlCommand.h"
#include "callengine/EngineEntry.h"
#include "callengine/EngineServices.h"
#include "callengine/FactoryDataSet.h"
#include "callengine/SimulateCommand.h"
#include "core/Core.h"
#include "core/ServiceInstall.h"
#include "ivrfile/IvrFile.h"
#include "log/Log.h"
#include "mail/Mail.h"
#include "ui/Ui.h"

namespace {

using CommandFunction = int (*)(const CommandLine&);

// How long a simulated call's recordings may take to level before exit.
constexpr int kLevellingGraceMs = 60000;
// How long its message may take to be delivered (slow servers included).
constexpr int kDeliveryGraceMs = 120000;

std::optional<DataFolders> OpenCommandFolders(const CommandLine& line) {
  return OpenDataFolders(
      DataFolders::Resolve(DataRootChoice::FromEnvironment(line.dataOption, false).Root()));
}

// One call without a telephone on the data folder.
int RunSimulate(const CommandLine& line) {
  std::optional<DataFolders> opened = OpenCommandFolders(line);
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
  // One delivery round for the message left, as the engine would make.
  BGTask delivery(*opened, log, levelling.get(), [](LMessage) { return std::optional<int64_t>(); });
  delivery.Start();
  if (!delivery.WaitForRound(kDeliveryGraceMs)) {
    std::fprintf(stderr, "zavotel simulate: delivery goes on at the next start\n");
  }
  return status;
}

int RunInstall(const CommandLine& line) {
  return RunServiceInstall(line.arguments, line.dataOption, true);
}

int RunUninstall(const CommandLine& line) {
  return RunServiceInstall(line.arguments, line.dataOption, false);
}

// IVR program files; "info" reads a file without the data folder.
int RunIvr(const CommandLine& line) {
  return RunIvrCommand(line.arguments, [&line] { return OpenCommandFolders(line); });
}

// Takes no arguments: the password comes from standard input.
int RunConsolePassword(const CommandLine& line) {
  if (!line.arguments.empty()) {
    std::fprintf(stderr, "zavotel console-password: takes no arguments; type the password\n");
    return 2;
  }
  std::optional<DataFolders> opened = OpenCommandFolders(line);
  return opened ? RunConsolePasswordCommand(opened->SettingsFile()) : 1;
}

int PrintHelp(const CommandLine&) {
  std::printf(
      "usage: zavotel [--data DIR] [--logon|--service] [COMMAND | FILE.ivr]\n"
      "\n"
      "  run       prepare the data folder and answer calls until stopped (the default);\n"
      "            with the engine already running on the folder, say where it is\n"
      "  FILE.ivr  start with that IVR program, or hand it to the running engine\n"
      "  --logon   as started at log-on: give a starting service 10 s, then run\n"
      "  --service as started by systemd (Type=notify, SIGTERM stops in order)\n"
      "  --install [--root DIR] [--user]\n"
      "            write the systemd unit (system-wide as root) and the log-on entry\n"
      "  --uninstall [--root DIR] [--user]\n"
      "            remove them again\n"
      "  ctl ping|on|off|select-ogm NAME|add-outbound ENTRY|load FILE|shutdown\n"
      "            control the running engine; prints its result (ping: 1, else 0)\n"
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
      "  mail test ADDRESS\n"
      "            send a short test e-mail with the current e-mail settings and\n"
      "            show the mail server's replies\n"
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
      "  console-password\n"
      "            set the web console's password from standard input (needed\n"
      "            when [console] \"address\" is not a loopback address)\n"
      "  help      show this text\n"
      "\n"
      "The data folder is DIR, else $ZAVOTEL_DATA, else /var/lib/zavotel for the\n"
      "system service (--service as root), else $XDG_DATA_HOME/zavotel\n"
      "(~/.local/share/zavotel). Commands other than the engine's start never\n"
      "take /var/lib/zavotel by themselves: give --data /var/lib/zavotel to reach\n"
      "the system service (zavotel --data /var/lib/zavotel ctl ping).\n");
  return 0;
}

struct Command {
  const char* name;
  CommandFunction run;
};

constexpr Command kCommands[] = {
    {"run", RunEngineCommand},
    {"ctl", RunControlCommand},
    {"install", RunInstall},
    {"uninstall", RunUninstall},
    {"audio", RunAudioCommand},
    {"tts", RunTtsCommand},
    {"simulate", RunSimulate},
    {"mail", RunMailCommand},
    {"ivr", RunIvr},
    {"console-password", RunConsolePassword},
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
