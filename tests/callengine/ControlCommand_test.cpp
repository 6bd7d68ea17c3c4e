#include "callengine/ControlCommand.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

// Each verb's message is checked end to end by e2e.engine_control.
TEST(ControlCommand, BadArgumentsNeverTravel) {
  for (auto [args, error] : {std::pair<Args, std::string>{{}, "ctl needs a command"},
                             {{"pong"}, "unknown ctl command pong"},
                             {{"ping", "now"}, "ping takes no argument"},
                             {{"select-ogm"}, "select-ogm needs an OGM name"},
                             {{"select-ogm", ""}, "select-ogm needs an OGM name"},
                             {{"add-outbound", "1", "2"}, "add-outbound needs an outbound list entry"},
                             {{"add-outbound", std::string(260, '5')},
                              "the argument of add-outbound is longer than 259 characters"},
                             {{"select-ogm", "a\nb"}, "the argument of select-ogm holds a control character"}}) {
    EXPECT_EQ(ParseControlArguments(args).error, error);
  }
}

}  // namespace
