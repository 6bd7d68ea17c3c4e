#include "core/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, DefaultsToRunTakesDataAroundTheCommandAndReportsBadOptions) {
  CommandLine none = CommandLine::Parse({});
  EXPECT_EQ(none.command, "run");
  EXPECT_TRUE(none.error.empty());

  CommandLine line = CommandLine::Parse({"--data", "/srv/z", "tts", "hello", "--voice", "2"});
  EXPECT_EQ(line.dataOption, "/srv/z");
  EXPECT_EQ(line.command, "tts");
  EXPECT_EQ(line.arguments, (std::vector<std::string>{"hello", "--voice", "2"}));
  EXPECT_EQ(CommandLine::Parse({"--data=/x"}).dataOption, "/x");
  // The folder may also follow the command.
  CommandLine after = CommandLine::Parse({"simulate", "--keys", "1@2", "--data", "/d"});
  EXPECT_EQ(after.dataOption, "/d");
  EXPECT_EQ(after.arguments, (std::vector<std::string>{"--keys", "1@2"}));
  EXPECT_EQ(CommandLine::Parse({"simulate", "--data=/e"}).dataOption, "/e");
  // Bad options are reported.
  EXPECT_EQ(CommandLine::Parse({"--data"}).error, "--data needs a folder");
  EXPECT_EQ(CommandLine::Parse({"--bogus"}).error, "unknown option --bogus");
  EXPECT_EQ(CommandLine::Parse({"--help"}).command, "help");
}

}  // namespace
