#include "IVRCFakes.h"

namespace {

using Press = FakedTest;

TEST_F(Press, KeysReachTheCurrentOgmOnlyInTheStatesThatTakeThem) {
  Answer("");
  commands_.taken = false;  // no action: the OGM goes on playing
  line_.Press("1#*A");
  EXPECT_EQ(commands_.keys, (Texts{"press1", "press#", "press*", "pressA"}));
  EXPECT_TRUE(line_.IsPlaying());
  EXPECT_EQ(commands_.lastFile + commands_.lastSection, controller_.CurrentOGM() + "ivr");
  commands_.keys.clear();
  for (S::CallState state : {S::CS_INVALID, S::CS_PLAYFILE, S::CS_RECORDTONE, S::CS_ANSWERING,
                             S::CS_GOODBYE, S::CS_DIALING, S::CS_OUTBOUND}) {
    controller_.SetState(state);
    line_.Press('2');
  }
  line_.HangUp();
  line_.Press('4');  // after the call nothing happens
  EXPECT_EQ(commands_.keys.size(), 3u);  // the first three states take keys
}

TEST_F(Press, NumberEntryEndsAtMaxDigitsOrHashAndStarDoesNotEndIt) {
  Answer("type=EnterNumber\nmaxdigits=4\nvarname=%acct%\n");
  line_.Press("1*2");
  EXPECT_EQ(controller_.Digits(), "12");
  EXPECT_TRUE(line_.Ops().empty());  // collecting does not interrupt the OGM
  line_.Press("34");
  EXPECT_EQ(Parm("acct"), "1234");
  EXPECT_EQ(commands_.keys, (Texts{"press*", "press#"}));
  Answer("type=enternumber\nmaxdigits=6\n");
  commands_.taken = false;  // "#" early, and no action: the call ends
  line_.Press("4A2#");
  EXPECT_EQ(std::tuple(Parm("number"), Count(OK::Drop)), std::tuple("42", 1u));
}

// The key that completes an entry belongs to the entry, even when the
// entry's action goes on to a menu.
TEST_F(Press, TheKeyCompletingAnEntryIsNotTakenAgainByTheMenuItLeadsTo) {
  Ogm("Main menu");
  Answer("type=enternumber\nmaxdigits=4\n");
  commands_.effect = [this](IVRCMain &controller) {
    if (commands_.keys.back() != "press#") return;
    ASSERT_TRUE(controller.IsOGMValid("Main menu"));
    controller.Start();
  };
  line_.Press("1232");
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputMenu);
  line_.Press('2');
  EXPECT_EQ(commands_.keys, (Texts{"press#", "press2"}));
}

TEST_F(Press, InvalidNumberOrOptionPlaysItsPromptAndRestartsEmpty) {
  Answer("type=enternumber\nmaxdigits=4\nvarlimit=true\nvarlimitmin=100\nvarlimitmax=999\n");
  Prompt("InvalidNumber", 500);
  line_.Press("1000");
  EXPECT_TRUE(commands_.keys.empty());
  EXPECT_EQ(line_.OpsOf(OK::Play).at(0).sampleRate, 8000);
  line_.Advance(499);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  line_.Advance(1);  // the prompt ends: the node starts again, empty
  EXPECT_EQ(std::tuple(controller_.State(), Count(OK::Play)), std::tuple(IVRCMain::CS_OGM, 2u));
  line_.Press("0100");  // the leading integer counts
  EXPECT_EQ(std::tuple(Parm("number"), commands_.keys), std::tuple("0100", Texts{"press#"}));
  Prompt("invalidoption", 500);  // names are matched without regard to case
  controller_.InvalidOption();
  EXPECT_TRUE(InLog("Play system prompt: InvalidOption"));
  line_.Advance(500);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
}

TEST_F(Press, AMissingPromptStillRestartsAndAnActionMayRestartTheNode) {
  Write(folders_.Root() + "/lists-line0.txt", "13,66");  // found in the data root
  Answer("type=enternumber\nmaxdigits=2\nvarlimitlistenabled=true\nvarlimitlistexclude=true\n"
         "varlimitlistisfile=true\nvarlimitlistfile=lists-%linename%.txt\n");
  commands_.effect = [](IVRCMain &controller) { controller.Start(); };
  line_.Press("13");
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  line_.Advance(0);  // an empty prompt completes at once
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
  line_.Press("14");
  EXPECT_EQ(std::tuple(Parm("number"), commands_.keys), std::tuple("14", Texts{"press#"}));
  EXPECT_TRUE(controller_.Digits().empty());  // the action restarted the node
}

}  // namespace
