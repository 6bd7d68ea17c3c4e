#include "callengine/ControlCommand.h"

#include <cstdio>
#include <filesystem>

#include "core/ControlSocket.h"
#include "core/DataFolders.h"
#include "core/MainMessages.h"

namespace {

constexpr int kReplyTimeoutMs = 5000;

struct Verb {
  const char* name;
  uint32_t message;
  int64_t command;
  const char* argument;  // what the one argument is, or nullptr for none
};

constexpr Verb kVerbs[] = {
    {"ping", WM_CONTROLCOMMAND, 0, nullptr},
    {"on", WM_CONTROLCOMMAND, 1, nullptr},
    {"off", WM_CONTROLCOMMAND, 2, nullptr},
    {"select-ogm", WM_CONTROLCOMMAND, 3, "an OGM name"},
    {"add-outbound", WM_CONTROLCOMMAND, 4, "an outbound list entry"},
    {"load", WM_LOADIVRFILE, 0, "an IVR program file"},
    {"shutdown", WM_LSHUTDOWN, 0, nullptr},
};

}  // namespace

ControlArguments ParseControlArguments(const std::vector<std::string>& arguments) {
  ControlArguments parsed;
  const Verb* verb = nullptr;
  for (const Verb& candidate : kVerbs) {
    if (!arguments.empty() && arguments[0] == candidate.name) verb = &candidate;
  }
  if (!verb) {
    parsed.error = arguments.empty() ? "ctl needs a command" : "unknown ctl command " + arguments[0];
    return parsed;
  }
  const size_t wanted = verb->argument ? 2 : 1;
  if (arguments.size() != wanted || (verb->argument && arguments[1].empty())) {
    parsed.error = std::string(verb->name) +
                   (verb->argument ? std::string(" needs ") + verb->argument : " takes no argument");
    return parsed;
  }
  parsed.message = LMessage{verb->message, verb->command, 0, verb->argument ? arguments[1] : ""};
  if (std::string problem = control::TextProblem(parsed.message.text); !problem.empty()) {
    parsed.error = std::string("the argument of ") + verb->name + " " + problem;
  }
  return parsed;
}

int RunControlCommand(const CommandLine& line) {
  ControlArguments parsed = ParseControlArguments(line.arguments);
  if (parsed.error.empty() && parsed.message.id == WM_LOADIVRFILE) {
    parsed.message.text =
        std::filesystem::absolute(parsed.message.text).lexically_normal().string();
    if (std::string problem = control::TextProblem(parsed.message.text); !problem.empty())
      parsed.error = "the path of load " + problem;
  }
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "zavotel ctl: %s (try zavotel help)\n", parsed.error.c_str());
    return 2;
  }
  std::error_code ignored;
  if (parsed.message.id == WM_LOADIVRFILE && !std::filesystem::is_regular_file(parsed.message.text, ignored)) {
    std::fprintf(stderr, "zavotel ctl: no IVR program file %s\n", parsed.message.text.c_str());
    return 1;
  }
  const std::string root = DataRootChoice::FromEnvironment(line.dataOption, false).Root();
  const ControlOutcome outcome =
      SendControlRequest(ControlSocketPlacesHere(root).lookups, parsed.message, kReplyTimeoutMs);
  if (outcome.failure == ControlFailure::kNoEngine) {
    // Said with the folder looked at, as a wrong --data or $ZAVOTEL_DATA is the usual cause.
    std::fprintf(stderr, "zavotel ctl: %s on the data folder %s\n", outcome.detail.c_str(),
                 CanonicalDataRoot(root).c_str());
    return 1;
  }
  if (outcome.failure != ControlFailure::kNone) {
    std::fprintf(stderr, "zavotel ctl: %s\n", outcome.detail.c_str());
    return 1;
  }
  if (!outcome.reply.ok) {
    std::fprintf(stderr, "zavotel ctl: the engine refused: %s\n", outcome.reply.text.c_str());
    return 1;
  }
  std::printf("%lld\n", static_cast<long long>(outcome.reply.result));
  return 0;
}
