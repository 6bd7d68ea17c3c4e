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

}  // namespace

CommandLine CommandLine::Parse(const std::vector<std::string>& args) {
  CommandLine line;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--data") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        line.error = "--data needs a folder";
        return line;
      }
      line.dataOption = args[++i];
    } else if (arg.rfind("--data=", 0) == 0) {
      line.dataOption = arg.substr(7);
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
    if (args[i] == "--data" && i + 1 < args.size() && !args[i + 1].empty()) {
      line.dataOption = args[++i];
    } else if (args[i].rfind("--data=", 0) == 0) {
      line.dataOption = args[i].substr(7);
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
