#include "core/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;
using Start = CommandLine::Start;

TEST(CommandLine, DefaultsToRunTakesDataAroundTheCommandAndReportsBadOptions) {
  // The folder may also follow the command.
  for (auto [args, command, data, arguments] :
       {std::tuple<Args, std::string, std::string, Args>{{}, "run", "", {}},
        {{"--data", "/srv/z", "tts", "hello", "--voice", "2"}, "tts", "/srv/z", {"hello", "--voice", "2"}},
        {{"--data=/x"}, "run", "/x", {}},
        {{"simulate", "--keys", "1@2", "--data", "/d"}, "simulate", "/d", {"--keys", "1@2"}},
        {{"simulate", "--data=/e"}, "simulate", "/e", {}}, {{"--help"}, "help", "", {}},
        // Install options belong to the installer, wherever --data stands.
        {{"--data", "/f", "--install", "--root", "/tmp/r"}, "install", "/f", {"--root", "/tmp/r"}},
        {{"--uninstall", "--user", "--data=/g"}, "uninstall", "/g", {"--user"}},
        {{"ctl", "select-ogm", "Sales Menu"}, "ctl", "", {"select-ogm", "Sales Menu"}}}) {
    const CommandLine line = CommandLine::Parse(args);
    EXPECT_TRUE(line.command == command && line.dataOption == data && line.arguments == arguments && line.error.empty())
        << line.command << " " << line.dataOption;
  }
  // An empty folder (an unset variable) is no folder, before or after the command.
  for (const Args& args : {Args{"--data"}, Args{"--data", ""}, Args{"--data="}, Args{"simulate", "--data"},
                           Args{"ivr", "info", "--data=", "a.ivr"}})
    EXPECT_EQ(CommandLine::Parse(args).error, "--data needs a folder") << args.size();
  EXPECT_EQ(CommandLine::Parse({"--bogus"}).error + "|" + CommandLine::Parse({"--service", "simulate"}).error,
            "unknown option --bogus|--logon and --service only start the engine");
}

// What a second copy hands over: its start option, else its program file.
TEST(CommandLine, StartModesAndProgramFilesRunTheEngineAndAreForwarded) {
  for (auto [args, start, forward] :
       {std::tuple<Args, Start, std::string>{{"--logon"}, Start::kLogon, "--logon"},
        {{"--data", "/d", "--service"}, Start::kService, "--service"},
        {{"Shop.IVR"}, Start::kNormal, "Shop.IVR"},
        {{"--data", "/d", "progs/shop"}, Start::kNormal, "progs/shop"},
        {{"run", "a.ivr"}, Start::kNormal, "a.ivr"},
        {{}, Start::kNormal, ""}}) {
    const CommandLine line = CommandLine::Parse(args);
    EXPECT_TRUE(line.command == "run" && line.start == start && line.ForwardText() == forward && line.error.empty())
        << forward << " got " << line.command << " " << line.ForwardText();
  }
  // A word that is neither stays a command, so a typing error is reported.
  EXPECT_EQ(CommandLine::Parse({"smiulate"}).command, "smiulate");
  EXPECT_FALSE(LooksLikeProgramFile(".ivr"));
}

}  // namespace
