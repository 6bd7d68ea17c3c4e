#include "IVRCMainFixture.h"

namespace {

using Answering = IVRCMainTest;

TEST_F(Answering, RingAnsweredFollowsTollSaverOfficeHoursAndTheOnSwitch) {
  Ogm("Default Answering Message");
  const std::string hours = "[autohours]\nenabled=true\n";
  const std::string toll = "[settings]\ntollsaver=true\nnrings=1\n[state]\nnewmessages=";
  // 6 January 2024 is a Saturday, the 8th a Monday.
  for (const auto &[day, hour, settings, answeredAt] :
       std::vector<std::tuple<int, int, std::string, int>>{
           {8, 20, "[settings]\nnrings=4\n", 4},
           {8, 20, toll + "true\n", 3}, {8, 20, toll + "false\n", 5},
           {8, 20, "[settings]\ntollsaver=false\nnrings=2\n[state]\nnewmessages=true\n", 2},
           {8, 20, "[settings]\nnrings=2\n[state]\non=false\n", 0},
           {8, 20, hours + "aftermode=2\n", 0},
           {8, 20, hours + "aftermode=3\nafterrings=2\n", 5},
           {8, 20, toll + "true\n" + hours + "aftermode=3\nafterrings=2\n", 5},
           {8, 20, hours + "aftermode=3\nafterrings=2\n[state]\non=false\n", 0},
           {8, 12, "[autohours]\nenabled=false\nduringmode=2\n", 3},
           {8, 12, hours, 0}, {8, 9, hours, 0},  // open: "duringmode" 2 declines
           {8, 17, hours, 3},                    // closing time is no longer open
           {8, 12, hours + "duringmode=0\n", 3},
           {8, 12, hours + "duringmode=7\n", 3},  // an unknown mode changes nothing
           {6, 12, hours, 3},                      // no weekend hours by default
           {6, 12, hours + "satopen=10:00:00\nsatclose=14:00:00\n", 0},
       }) {
    clock_.SetNow(LocalTime(2024, 1, day, hour, 0, 0));
    Settings(settings);
    EXPECT_EQ(Ring(8), answeredAt) << day << " " << hour << " " << settings;
    EXPECT_EQ(controller_.State(), answeredAt ? IVRCMain::CS_ANSWERING : IVRCMain::CS_IDLE);
    if (answeredAt) line_.Connect();  // the next ring hangs it up
  }
}

TEST_F(Answering, OgmChoiceAndOneCallLogLinePerCall) {
  for (const char *name : {"Default Answering Message", "Night", "Sales"}) Ogm(name);
  const std::string night = "[autohours]\nenabled=true\naftermode=1\nafterogm=Night\n";
  // The line's own OGM wins over the office-hours choice.
  for (auto [settings, ogm] :
       {std::pair{std::string(), "Default Answering Message"}, {night, "Night"},
        {night + "[line0]\nname=Front desk\nogmoverride=true\nogm=Sales\n", "Sales"}}) {
    Settings(settings);
    EXPECT_EQ(Ring(6), 3);
    EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/" + ogm + ".ini");
  }
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"line0 5551234 [Answered]", "line0 5551234 [Answered]",
                                                 "Front desk 5551234 [Answered]"}));
}

// The system log says once per call which missing OGM left it ringing; a
// check refusing the caller is the program's choice and is not told.
TEST_F(Answering, InvalidOrMissingOgmIsNotAnswered) {
  clock_.SetNow(LocalTime(2024, 1, 8, 20, 0, 0));  // a Monday evening: office hours are over
  Ogm("Closed", "", "[cid]\nenabled=true\ncid=555\nmode=2\n");
  // A missing OGM, one refusing the caller, an override naming no OGM (it
  // falls back to the default answering message, missing here), a missing
  // office-hours OGM.
  for (auto [settings, number] : {std::pair{"ogm=Missing\n", "5551234"}, {"ogm=Closed\n", "5551234"},
                                  {"ogm=Closed\n[line0]\nogmoverride=true\n", "777"},
                                  {"ogm=Closed\n[autohours]\nenabled=true\naftermode=1\nafterogm=Gone\n", "888"}}) {
    Settings(std::string("[settings]\n") + settings);
    EXPECT_EQ(Ring(5, number), 0) << settings;
  }
  EXPECT_TRUE(controller_.CurrentOGM().empty());
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"line0 5551234 [Not Answered]",
                                                 "line0 5551234 [Not Answered]",
                                                 "line0 777 [Not Answered]",
                                                 "line0 888 [Not Answered]"}));
  std::vector<std::string> missing;
  for (const std::string &line : SystemLog())
    if (line.find("does not exist") != std::string::npos) missing.push_back(line);
  EXPECT_EQ(missing, (std::vector<std::string>{
                         "line0: call not answered: the answering OGM \"Missing\" does not exist",
                         "line0: call not answered: the line's own OGM \"Default Answering Message\" does not exist",
                         "line0: call not answered: the office-hours OGM \"Gone\" does not exist"}));
  Settings("[settings]\nogm=Closed\n");
  EXPECT_EQ(Ring(5, "777"), 3);  // the number check lets other callers in
}

TEST_F(Answering, CallerIdPopUpLastActivityAndNoMainWindow) {
  EXPECT_EQ(controller_.LastActivity(), 98000u);
  Ogm("Default Answering Message");
  Settings("[line0]\nname=Desk\n");
  Ring(3);
  EXPECT_EQ(controller_.LastActivity(), clock_.TickCount());
  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(std::pair(window_.messages[0].id, window_.messages[0].text),
            std::pair(uint32_t{WM_CALLERID}, std::string("Desk\r\n5551234\r\nAnn Caller")));
  line_.Connect();
  line_.Advance(1000);
  line_.HangUp();
  EXPECT_EQ(controller_.LastActivity(), clock_.TickCount());
  window_.messages.clear();
  Settings("[line0]\ncidflash=false\n");
  Ring(3);
  EXPECT_TRUE(window_.messages.empty());
  Settings("[line0]\nname=Desk\n");
  IVRCMain alone(line_, 0, folders_, clock_, logFile_, nullptr);  // no main window
  EXPECT_EQ(Ring(3), 3);
  line_.Connect();
  line_.HangUp();
  EXPECT_TRUE(alone.State() == IVRCMain::CS_IDLE && window_.messages.empty());
}

}  // namespace
