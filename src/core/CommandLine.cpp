#include "core/CommandLine.h"

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
    } else if (arg == "-h" || arg == "--help") {
      line.command = "help";
    } else if (arg.rfind("--", 0) == 0) {
      line.error = "unknown option " + arg;
      return line;
    } else {
      break;
    }
  }
  if (i >= args.size()) return line;
  line.command = args[i++];
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
  return line;
}
