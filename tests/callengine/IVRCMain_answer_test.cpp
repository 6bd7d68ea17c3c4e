#include "IVRCMainFixture.h"

namespace {

using Answering = IVRCMainTest;

TEST_F(Answering, AnswersAtTheConfiguredRingAndLogsOnce) {
  Ogm("Default Answering Message");
  Settings("[settings]\nnrings=4\n");
  EXPECT_EQ(Ring(6), 4);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_ANSWERING);
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Default Answering Message.ini");
  EXPECT_EQ(CallLog(), std::vector<std::string>{"line0 5551234 [Answered]"});
}

TEST_F(Answering, TollSaverAnswersEarlierWhenNewMessagesWait) {
  Ogm("Default Answering Message");
  Settings("[settings]\ntollsaver=true\nnrings=1\n[state]\nnewmessages=true\n");
  EXPECT_EQ(Ring(6), 3);
  Settings("[settings]\ntollsaver=true\nnrings=1\n[state]\nnewmessages=false\n");
  EXPECT_EQ(Ring(6), 5);
  Settings("[settings]\ntollsaver=false\nnrings=2\n[state]\nnewmessages=true\n");
  EXPECT_EQ(Ring(6), 2);
}

TEST_F(Answering, AnsweringOffLogsNotAnsweredOnceAtTheConfiguredRing) {
  Ogm("Default Answering Message");
  Settings("[settings]\nnrings=2\n[state]\non=false\n");
  EXPECT_EQ(Ring(8), 0);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE);
  EXPECT_EQ(CallLog(), std::vector<std::string>{"line0 5551234 [Not Answered]"});
}

TEST_F(Answering, InvalidOrMissingOgmIsNotAnswered) {
  Settings("[settings]\nogm=Missing\n");
  EXPECT_EQ(Ring(5), 0);
  Ogm("Closed", "", "[cid]\nenabled=true\ncid=555\nmode=2\n");
  Settings("[settings]\nogm=Closed\n");
  EXPECT_EQ(Ring(5), 0);
  EXPECT_TRUE(controller_.CurrentOGM().empty());
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"line0 5551234 [Not Answered]",
                                                 "line0 5551234 [Not Answered]"}));
  EXPECT_EQ(Ring(5, "777"), 3);  // the number check lets other callers in
}

TEST_F(Answering, LineOverrideChoosesTheLinesOwnOgm) {
  Ogm("Main");
  Ogm("Sales");
  Settings(
      "[settings]\nogm=Main\n[line0]\nname=Front "
      "desk\nogmoverride=true\nogm=Sales\n");
  EXPECT_EQ(Ring(3), 3);
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Sales.ini");
  EXPECT_EQ(CallLog(), std::vector<std::string>{"Front desk 5551234 [Answered]"});
  // The override wins over the office-hours choice as well.
  Settings(
      "[settings]\nogm=Main\n[line0]\nogmoverride=true\n[autohours]"
      "\nenabled=true\n"
      "aftermode=1\nafterogm=Main\n");
  EXPECT_EQ(Ring(3), 0);  // the line's own "ogm" defaults to a missing OGM
}

TEST_F(Answering, OfficeHoursModes) {
  Ogm("Default Answering Message");
  Ogm("Night");
  const std::string hours = "[autohours]\nenabled=true\n";
  Settings(hours + "aftermode=1\nafterogm=Night\n");
  EXPECT_EQ(Ring(3), 3);
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Night.ini");
  Settings(hours + "aftermode=2\n");
  EXPECT_EQ(Ring(5), 0);
  Settings(hours + "aftermode=3\nafterrings=2\n");
  EXPECT_EQ(Ring(8), 5);
  Settings(hours + "aftermode=3\nafterrings=2\n[state]\non=false\n");
  EXPECT_EQ(Ring(8), 0);
  clock_.SetNow(LocalTime(2024, 1, 8, 12, 0, 0));  // open: "duringmode" 2 declines
  Settings(hours);
  EXPECT_EQ(Ring(5), 0);
  Settings(hours + "duringmode=0\n");
  EXPECT_EQ(Ring(5), 3);
}

TEST_F(Answering, CallerIdPopUpOnTheSecondRing) {
  Ogm("Default Answering Message");
  Settings("[settings]\nnrings=3\n[line0]\nname=Desk\n");
  Ring(3);
  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(window_.messages[0].id, WM_CALLERID);
  EXPECT_EQ(window_.messages[0].text, "Desk\r\n5551234\r\nAnn Caller");
  window_.messages.clear();
  Settings("[settings]\nnrings=3\n[line0]\ncidflash=false\n");
  Ring(3);
  EXPECT_TRUE(window_.messages.empty());
}

TEST_F(Answering, NoMainWindowPostsNothing) {
  IVRCMain alone(line_, 0, folders_, clock_, logFile_, nullptr);
  Ogm("Default Answering Message");
  EXPECT_EQ(Ring(3), 3);
  line_.Connect();
  line_.HangUp();
  EXPECT_EQ(alone.State(), IVRCMain::CS_IDLE);
  EXPECT_TRUE(window_.messages.empty());
}

TEST_F(Answering, LastActivityFollowsRingsAndHangUp) {
  EXPECT_EQ(controller_.LastActivity(), 98000u);
  Ogm("Default Answering Message");
  Ring(3);
  EXPECT_EQ(controller_.LastActivity(), clock_.TickCount());
  line_.Connect();
  line_.Advance(1000);
  line_.HangUp();
  EXPECT_EQ(controller_.LastActivity(), clock_.TickCount());
}

}  // namespace
