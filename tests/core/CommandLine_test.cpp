#include "core/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, DefaultsToRunTakesDataAroundTheCommandAndReportsBadOptions) {
  using Args = std::vector<std::string>;
  // The folder may also follow the command.
  for (auto [args, command, data, arguments] :
       {std::tuple<Args, std::string, std::string, Args>{{}, "run", "", {}},
        {{"--data", "/srv/z", "tts", "hello", "--voice", "2"}, "tts", "/srv/z", {"hello", "--voice", "2"}},
        {{"--data=/x"}, "run", "/x", {}},
        {{"simulate", "--keys", "1@2", "--data", "/d"}, "simulate", "/d", {"--keys", "1@2"}},
        {{"simulate", "--data=/e"}, "simulate", "/e", {}}, {{"--help"}, "help", "", {}}}) {
    const CommandLine line = CommandLine::Parse(args);
    EXPECT_TRUE(line.command == command && line.dataOption == data && line.arguments == arguments && line.error.empty())
        << line.command << " " << line.dataOption;
  }
  EXPECT_EQ(CommandLine::Parse({"--data"}).error + "|" + CommandLine::Parse({"--bogus"}).error,
            "--data needs a folder|unknown option --bogus");
}

}  // namespace
