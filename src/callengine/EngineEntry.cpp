#include "callengine/EngineEntry.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "callengine/Engine.h"
#include "callengine/FactoryDataSet.h"
#include "core/ControlSocket.h"
#include "core/FirstStartSettings.h"
#include "core/InstanceLock.h"
#include "core/LThread.h"
#include "core/MainMessages.h"
#include "core/UnreadableSettings.h"

namespace {

using std::chrono::milliseconds;

// A log-on copy lets a service that is still starting win.
constexpr milliseconds kLogonWait{10000};
// How long a copy that lost the instance lock waits for the winner's socket:
// a first start renders the factory prompts first.
constexpr milliseconds kLoserWait{120000};
constexpr milliseconds kLoserSlice{100};
constexpr int kForwardTimeoutMs = 10000;

void PrintFolder(const char* label, const std::string& path) {
  std::printf("  %-24s %s\n", label, path.c_str());
}

// What to say once the running engine took the argument.
void ReportForwarded(const CommandLine& line, const std::string& text,
                     const control::Reply& reply) {
  if (line.start != CommandLine::Start::kNormal) {
    std::printf("Zavotel is already running on this data folder\n");
  } else if (text.empty()) {
    std::printf("%s\n", reply.text.c_str());
  } else {
    std::printf("%s handed to the running Zavotel\n", text.c_str());
  }
}

enum class Found { kNone, kForwarded, kFailed };

Found Forward(const CommandLine& line, const ControlSocketPlaces& places, const std::string& text) {
  const ControlOutcome outcome =
      SendControlRequest(places.lookups, LMessage{WM_LOADIVRFILE, 0, 0, text}, kForwardTimeoutMs);
  switch (outcome.failure) {
    case ControlFailure::kNoEngine:
      return Found::kNone;
    case ControlFailure::kNone:
      if (!outcome.reply.ok) {
        std::fprintf(stderr, "zavotel: the running engine refused: %s\n", outcome.reply.text.c_str());
        return Found::kFailed;
      }
      ReportForwarded(line, text, outcome.reply);
      return Found::kForwarded;
    default:
      std::fprintf(stderr, "zavotel: %s\n", outcome.detail.c_str());
      return Found::kFailed;
  }
}

// The argument as the running engine must see it: a file path made absolute,
// since that engine has another working folder.
std::string ForwardText(const CommandLine& line) {
  std::string text = line.ForwardText();
  if (line.start == CommandLine::Start::kNormal && !text.empty())
    text = std::filesystem::absolute(text).lexically_normal().string();
  return text;
}

int Exit(Found found) { return found == Found::kForwarded ? 0 : 1; }

int NotWritable(const std::string& root, const std::string& why) {
  std::fprintf(stderr, "zavotel: the data folder %s cannot be written by this user (%s)\n", root.c_str(),
               why.c_str());
  return 1;
}

}  // namespace

std::optional<DataFolders> OpenDataFolders(const DataFolders& folders, std::vector<std::string>* problems) {
  if (std::string aside = SetAsideUnreadableSettings(folders.SettingsFile()); !aside.empty()) {
    std::fprintf(stderr, "zavotel: %s\n", aside.c_str());
    if (problems) problems->push_back(std::move(aside));
  }
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

int RunEngineCommand(const CommandLine& line) {
  LThread::SetCallerPriority(LThread::kPriorityHighest);
  const bool systemService = line.start == CommandLine::Start::kService && ::geteuid() == 0;
  const DataFolders folders =
      DataFolders::Resolve(DataRootChoice::FromEnvironment(line.dataOption, systemService).Root());
  const ControlSocketPlaces places = ControlSocketPlacesHere(folders.Root());
  const std::string text = ForwardText(line);
  Found found = Forward(line, places, text);
  if (found == Found::kNone && line.start == CommandLine::Start::kLogon) {
    std::this_thread::sleep_for(kLogonWait);
    found = Forward(line, places, text);
  }
  if (found != Found::kNone) return Exit(found);

  if (!folders.CreateMissing()) return NotWritable(folders.Root(), "its folders cannot be made");
  if (const std::string danger = DataFolderDanger(folders.Root()); !danger.empty()) {
    std::fprintf(stderr, "zavotel: the data folder %s is not used: %s\n", folders.Root().c_str(), danger.c_str());
    return 1;
  }
  InstanceLock lock(folders.Root());
  InstanceLock::Result taken = lock.TryTake();
  // Another copy is starting on this folder: hand it the argument instead.
  for (auto waited = milliseconds(0); taken == InstanceLock::Result::kBusy && waited < kLoserWait;
       waited += kLoserSlice) {
    found = Forward(line, places, text);
    if (found != Found::kNone) return Exit(found);
    std::this_thread::sleep_for(kLoserSlice);
    taken = lock.TryTake();
  }
  if (taken == InstanceLock::Result::kFailed) {
    return NotWritable(folders.Root(), std::string("its ") + InstanceLock::kFileName + " cannot be made or locked");
  }
  if (taken != InstanceLock::Result::kTaken) {
    std::fprintf(stderr, "zavotel: another engine holds the data folder %s but does not answer\n",
                 folders.Root().c_str());
    return 1;
  }

  std::vector<std::string> problems;
  if (!lock.LastHolderEndedInOrder()) {
    problems.emplace_back("The last run did not end in order (it was killed, it crashed or the machine stopped); "
                          "calls it had were cut, and messages it was recording are kept as far as they were written");
  }
  if (!OpenDataFolders(folders, &problems)) return 1;
  std::string error;
  std::unique_ptr<ControlEndpoint> endpoint = ControlEndpoint::Open(places.listen, error);
  if (!endpoint) {
    std::fprintf(stderr, "zavotel: %s\n", error.c_str());
    return 1;
  }
  std::printf("Zavotel data folder %s\n", folders.Root().c_str());
  PrintFolder("settings file", folders.SettingsFile());
  PrintFolder("OGMs", folders.Ogms());
  PrintFolder("MailBoxes", folders.MailBoxes());
  PrintFolder("System Prompts", folders.SystemPrompts());
  PrintFolder("Default System Prompts", folders.DefaultSystemPrompts());
  PrintFolder("Logs", folders.Logs());
  PrintFolder("Sounds", folders.Sounds());
  PrintFolder("control socket", endpoint->Path());
  std::fflush(stdout);
  EngineStart start{line.start, line.start == CommandLine::Start::kNormal ? text : "",
                    std::move(endpoint), std::move(problems)};
  return Engine(folders, std::move(start)).Run();
}
