#include "callengine/ControlCommand.h"

#include <gtest/gtest.h>

#include "core/MainMessages.h"

namespace {

using Args = std::vector<std::string>;

TEST(ControlCommand, EachVerbIsItsControlMessageAndBadArgumentsNeverTravel) {
  for (auto [args, id, command, text] :
       {std::tuple<Args, uint32_t, int64_t, std::string>{{"ping"}, WM_CONTROLCOMMAND, 0, ""},
        {{"on"}, WM_CONTROLCOMMAND, 1, ""},
        {{"off"}, WM_CONTROLCOMMAND, 2, ""},
        {{"select-ogm", "Sales Menu"}, WM_CONTROLCOMMAND, 3, "Sales Menu"},
        {{"add-outbound", "5551234&name=Bo"}, WM_CONTROLCOMMAND, 4, "5551234&name=Bo"},
        {{"load", "shop.ivr"}, WM_LOADIVRFILE, 0, "shop.ivr"},
        {{"shutdown"}, WM_LSHUTDOWN, 0, ""}}) {
    const ControlArguments parsed = ParseControlArguments(args);
    EXPECT_TRUE(parsed.error.empty() && parsed.message.id == id && parsed.message.wParam == command &&
                parsed.message.text == text)
        << args[0] << ": " << parsed.error;
  }
  for (auto [args, error] : {std::pair<Args, std::string>{{}, "ctl needs a command"},
                             {{"pong"}, "unknown ctl command pong"},
                             {{"ping", "now"}, "ping takes no argument"},
                             {{"select-ogm"}, "select-ogm needs an OGM name"},
                             {{"select-ogm", ""}, "select-ogm needs an OGM name"},
                             {{"add-outbound", "1", "2"}, "add-outbound needs an outbound list entry"},
                             {{"add-outbound", std::string(260, '5')},
                              "the argument of add-outbound longer than 259 characters"},
                             {{"select-ogm", "a\nb"}, "the argument of select-ogm holds a control character"}}) {
    EXPECT_EQ(ParseControlArguments(args).error, error);
  }
}

}  // namespace
