#include <functional>

#include "IVRCMainFixture.h"

namespace {

using OK = ScriptedLine::OpKind;

// Commands that note every action asked for; `taken` says whether one was
// taken, `effect` runs as the action.
class RecordingCommands final : public IVRCCommands {
 public:
  bool ExecuteAction(IVRCMain &controller, const std::string &ogmIni, std::string_view section,
                     std::string_view key) override {
    keys.emplace_back(key);
    lastFile = ogmIni;
    lastSection = section;
    lastController = &controller;
    if (effect) effect(controller);
    return taken;
  }
  std::vector<std::string> keys;
  std::string lastFile;
  std::string lastSection;
  const IVRCMain *lastController = nullptr;
  bool taken = true;
  std::function<void(IVRCMain &)> effect;
};

class Press : public IVRCMainTest {
 protected:
  Press() { controller_.SetCommands(&commands_); }
  // Answers a call to the default OGM (audio of `waveMs`) and connects it.
  void Connect(const std::string &ivr, uint32_t waveMs = 1000) {
    Ogm("Default Answering Message", ivr);
    Wave(folders_.Ogms() + "/Default Answering Message.wav", waveMs);
    ASSERT_EQ(Ring(3), 3);
    line_.Connect();
    line_.ClearOps();
  }
  void Prompt(const std::string &name) { Wave(folders_.SystemPrompts() + "/" + name + ".wav", 500); }
  std::string Parm(const std::string &name) const { return controller_.Parameters().GetParm(name); }
  std::string CallFile() const { return Read(controller_.MostRecentCallFile()); }

  RecordingCommands commands_;
};

// --- menu keys ---------------------------------------------------------------

TEST_F(Press, KeyWithoutActionLeavesTheOgmPlaying) {
  Connect("wait=6\n");
  commands_.taken = false;
  line_.Advance(300);
  line_.Press('5');
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press5"});
  EXPECT_TRUE(line_.Ops().empty());
  EXPECT_TRUE(line_.IsPlaying());
  EXPECT_NE(CallFile().find("Caller pressed key [5]"), std::string::npos);
  // Without any commands the key is ignored as well.
  controller_.SetCommands(nullptr);
  line_.Press('7');
  EXPECT_TRUE(line_.Ops().empty());
  line_.Advance(800);
  ASSERT_EQ(Count(OK::Wait), 1u);
  EXPECT_EQ(line_.Ops().size(), 1u);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
}

TEST_F(Press, KeyTakesItsActionFromTheCurrentOgm) {
  Connect("");
  const std::string ogm = controller_.CurrentOGM();
  line_.Press("1#*A");
  EXPECT_EQ(commands_.keys, (std::vector<std::string>{"press1", "press#", "press*", "pressA"}));
  EXPECT_EQ(commands_.lastFile, ogm);
  EXPECT_EQ(commands_.lastSection, "ivr");
  EXPECT_EQ(commands_.lastController, &controller_);
  EXPECT_TRUE(controller_.Digits().empty());
}

TEST_F(Press, KeysReachTheMenuOnlyInTheStatesThatTakeThem) {
  Connect("");
  for (IVRCMain::CallState state : {IVRCMain::CS_INVALID, IVRCMain::CS_PLAYFILE,
                                    IVRCMain::CS_RECORDTONE}) {
    controller_.SetState(state);
    line_.Press('2');
  }
  EXPECT_EQ(commands_.keys.size(), 3u);
  for (IVRCMain::CallState state : {IVRCMain::CS_ANSWERING, IVRCMain::CS_GOODBYE,
                                    IVRCMain::CS_DIALING, IVRCMain::CS_OUTBOUND}) {
    controller_.SetState(state);
    line_.Press('3');
  }
  EXPECT_EQ(commands_.keys.size(), 3u);
  EXPECT_TRUE(line_.Ops().empty());
  line_.HangUp();
  line_.Press('4');  // after the call: nothing happens
  EXPECT_EQ(commands_.keys.size(), 3u);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE);
}

// --- number entry ------------------------------------------------------------

TEST_F(Press, MaxDigitsCompletesTheEntryAndTakesPressHash) {
  Connect("type=EnterNumber\nmaxdigits=4\nvarname=%acct%\n");
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputNumber);
  line_.Press("12");
  EXPECT_EQ(controller_.Digits(), "12");
  EXPECT_TRUE(commands_.keys.empty());
  EXPECT_TRUE(line_.Ops().empty());  // collecting does not interrupt the OGM
  line_.Press("34");
  EXPECT_EQ(Parm("acct"), "1234");
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press#"});
  EXPECT_EQ(Count(OK::Drop), 0u);
}

TEST_F(Press, HashCompletesEarlyAndDropsWithoutAnAction) {
  Connect("type=enternumber\nmaxdigits=6\n");
  commands_.taken = false;
  line_.Press("4A2#");
  EXPECT_EQ(Parm("number"), "42");
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press#"});
  EXPECT_EQ(Count(OK::Drop), 1u);
}

TEST_F(Press, StarTakesPressStarWithoutEndingTheEntry) {
  Connect("type=enternumber\nmaxdigits=3\n");
  line_.Press("1*");
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press*"});
  EXPECT_EQ(controller_.Digits(), "1");
  line_.Press("23");
  EXPECT_EQ(Parm("number"), "123");
  EXPECT_EQ(commands_.keys, (std::vector<std::string>{"press*", "press#"}));
}

TEST_F(Press, LimitsAcceptOrPlayInvalidNumberAndRestartEmpty) {
  Connect("type=enternumber\nmaxdigits=4\nvarlimit=true\nvarlimitmin=100\nvarlimitmax=999\n");
  Prompt("InvalidNumber");
  line_.Press("0999");
  EXPECT_EQ(Parm("number"), "0999");
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press#"});
  controller_.Start();
  EXPECT_TRUE(controller_.Digits().empty());
  line_.ClearOps();
  line_.Press("1000");
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  EXPECT_EQ(commands_.keys.size(), 1u);
  ASSERT_EQ(Count(OK::Play), 1u);
  EXPECT_EQ(line_.OpsOf(OK::Play)[0].sampleRate, 8000);
  EXPECT_NE(CallFile().find("Play system prompt: InvalidNumber"), std::string::npos);
  line_.Advance(499);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  line_.Advance(1);  // the prompt ends: the node starts again, empty
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
  EXPECT_TRUE(controller_.Digits().empty());
  EXPECT_EQ(Count(OK::Play), 2u);
  line_.Press("0100");
  EXPECT_EQ(Parm("number"), "0100");
}

TEST_F(Press, ListFileDecidesAndAMissingPromptStillRestarts) {
  std::filesystem::create_directories(folders_.Root() + "/lists");
  Write(folders_.Root() + "/lists/line0.txt", "1111, \"2222\",3333");
  Connect(
      "type=enternumber\nmaxdigits=4\nvarlimitlistenabled=true\nvarlimitlistisfile=true\n"
      "varlimitlistfile=lists/%linename%.txt\n");
  line_.Press("2222");
  EXPECT_EQ(Parm("number"), "2222");
  EXPECT_EQ(commands_.keys.size(), 1u);
  controller_.Start();
  line_.ClearOps();
  line_.Press("4444");
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  EXPECT_NE(CallFile().find("System prompt missing: InvalidNumber"), std::string::npos);
  line_.Advance(0);  // an empty prompt completes at once
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
  EXPECT_EQ(Count(OK::Play), 2u);
}

TEST_F(Press, ExcludeListAndActionThatRestartsTheNode) {
  Connect(
      "type=enternumber\nmaxdigits=2\nvarlimitlistenabled=true\nvarlimitlistexclude=true\n"
      "varlimitlist=13,66\n");
  commands_.effect = [](IVRCMain &controller) { controller.Start(); };
  line_.Press("13");
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  EXPECT_TRUE(commands_.keys.empty());
  line_.Advance(0);
  line_.Press("14");
  EXPECT_EQ(Parm("number"), "14");
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press#"});
  EXPECT_TRUE(controller_.Digits().empty());  // the action restarted the node
}

TEST_F(Press, InvalidOptionPlaysItsPromptThenRestarts) {
  Connect("");
  Prompt("invalidoption");  // names are matched without regard to case
  controller_.InvalidOption();
  EXPECT_EQ(controller_.State(), IVRCMain::CS_INVALID);
  EXPECT_NE(CallFile().find("Play system prompt: InvalidOption"), std::string::npos);
  line_.Advance(500);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
}

}  // namespace
