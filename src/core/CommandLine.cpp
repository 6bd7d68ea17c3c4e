#include "core/CommandLine.h"

#include "core/TextCompare.h"

namespace {

// Options that stand for a command or a start mode; they may come among the
// global options in any order.
bool TakeModeOption(const std::string& arg, CommandLine& line) {
  if (arg == "--logon") {
    line.start = CommandLine::Start::kLogon;
  } else if (arg == "--service") {
    line.start = CommandLine::Start::kService;
  } else if (arg == "--install" || arg == "--uninstall") {
    line.command = arg.substr(2);
  } else if (arg == "-h" || arg == "--help") {
    line.command = "help";
  } else {
    return false;
  }
  return true;
}

// "--data DIR" or "--data=DIR" at args[i]; moves i past it. An empty or
// missing folder is an error: an unset shell variable must not quietly mean
// the default data folder.
bool TakeDataOption(const std::vector<std::string>& args, size_t& i, CommandLine& line) {
  const std::string& arg = args[i];
  if (arg == "--data") {
    if (i + 1 < args.size()) line.dataOption = args[++i];
  } else if (arg.starts_with("--data=")) {
    line.dataOption = arg.substr(7);
  } else {
    return false;
  }
  if (line.dataOption.empty()) line.error = "--data needs a folder";
  return true;
}

}  // namespace

CommandLine CommandLine::Parse(const std::vector<std::string>& args) {
  CommandLine line;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (TakeDataOption(args, i, line)) {
      if (!line.error.empty()) return line;
    } else if (TakeModeOption(arg, line)) {
      if (line.command != "run") break;  // install and uninstall take the rest
    } else if (arg.rfind("--", 0) == 0) {
      line.error = "unknown option " + arg;
      return line;
    } else if (LooksLikeProgramFile(arg)) {
      line.arguments.push_back(arg);  // "zavotel FILE.ivr" runs and loads it
      break;
    } else {
      line.command = arg;
      break;
    }
  }
  if (i >= args.size()) return line;
  ++i;
  // "--data" may also follow the command ("zavotel simulate --data DIR ...").
  for (; i < args.size(); ++i) {
    if (TakeDataOption(args, i, line)) {
      if (!line.error.empty()) return line;
    } else {
      line.arguments.push_back(args[i]);
    }
  }
  if (line.start != Start::kNormal && line.command != "run") {
    line.error = "--logon and --service only start the engine";
  }
  return line;
}

std::string CommandLine::ForwardText() const {
  if (start == Start::kLogon) return "--logon";
  if (start == Start::kService) return "--service";
  return command == "run" && !arguments.empty() ? arguments.front() : std::string();
}

bool LooksLikeProgramFile(const std::string& word) {
  if (word.find('/') != std::string::npos) return true;
  return word.size() > 4 && EqualIgnoringCase(std::string_view(word).substr(word.size() - 4), ".ivr");
}
