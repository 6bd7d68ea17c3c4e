#include "IVRCMainFixture.h"

namespace {

using OK = ScriptedLine::OpKind;

class Call : public IVRCMainTest {
 protected:
  // Answers a call to the default OGM with the given [ivr] keys and connects
  // it.
  void Connect(const std::string &ivr = "", uint32_t waveMs = 0) {
    Ogm("Default Answering Message", ivr);
    if (waveMs > 0) Wave(folders_.Ogms() + "/Default Answering Message.wav", waveMs);
    ASSERT_EQ(Ring(3), 3);
    line_.Connect();
  }
  std::string Parm(const std::string &name) const { return controller_.Parameters().GetParm(name); }
};

TEST_F(Call, StartSetsTheCallParametersAndCountsCalls) {
  Settings(
      "[settings]\ndateorder=1\n[line0]\nname=Front\n[state]"
      "\ncallsequenceno=41\n");
  Connect();
  EXPECT_EQ(Parm("time"), "20:00:12");  // three rings, six seconds apart
  EXPECT_EQ(Parm("date"), "08/01/24");
  EXPECT_EQ(Parm("linenumber"), "0");
  EXPECT_EQ(Parm("linename"), "Front");
  EXPECT_EQ(Parm("callsequenceno"), "41");
  EXPECT_EQ(ProfileReadInt(folders_.SettingsFile(), "state", "callsequenceno", 0), 42);
  ASSERT_FALSE(window_.messages.empty());
  EXPECT_EQ(window_.messages.back().id, WM_IVRCMAIN_LINESTATE);
  EXPECT_EQ(window_.messages.back().wParam, 1);
  line_.HangUp();
  Settings("[settings]\ndateorder=2\n[state]\ncallsequenceno=42\n");
  ASSERT_EQ(Ring(3), 3);
  line_.Connect();
  EXPECT_EQ(Parm("date"), "24/01/08");
  EXPECT_EQ(Parm("callsequenceno"), "42");
  EXPECT_EQ(Parm("linename"), "line0");
  Settings("[settings]\ndateorder=0\n");
  line_.HangUp();
  ASSERT_EQ(Ring(3), 3);
  line_.Connect();
  EXPECT_EQ(Parm("date"), "01/08/24");
  EXPECT_EQ(Parm("callsequenceno"), "0");
}

TEST_F(Call, MostRecentCallFileIsWrittenForEachCall) {
  Connect("", 500);
  const std::string file = controller_.MostRecentCallFile();
  EXPECT_EQ(file, folders_.Logs() + "/Most Recent Call Line 1.txt");
  std::string text = Read(file);
  EXPECT_NE(text.find("Answered line [1 \"line0\"] call number [0] cid "
                      "[5551234] did[200] drn[0 ("),
            std::string::npos);
  EXPECT_NE(text.find("Play file: " + folders_.Ogms() + "/Default Answering Message.wav"),
            std::string::npos);
  line_.HangUp();
  EXPECT_NE(Read(file).find("Call disconnected"), std::string::npos);
  ASSERT_EQ(Ring(3, "999"), 3);
  line_.Connect();
  text = Read(file);
  EXPECT_EQ(text.find("5551234"), std::string::npos);  // created anew
  EXPECT_NE(text.find("call number [1] cid [999]"), std::string::npos);
}

TEST_F(Call, OgmPlaysThenWaitsAndRepeatsBeforeDropping) {
  Connect("wait=6\nrepeat=2\n", 1000);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputMenu);
  EXPECT_EQ(controller_.RepeatCounter(), 2);
  line_.Advance(3 * 7000 - 100);
  EXPECT_EQ(Count(OK::Drop), 0u);
  line_.Advance(200);
  ASSERT_EQ(Count(OK::Play), 3u);
  const auto waits = line_.OpsOf(OK::Wait);
  ASSERT_EQ(waits.size(), 3u);
  for (const auto &wait : waits) EXPECT_EQ(wait.maxMs, 6000);
  const auto plays = line_.OpsOf(OK::Play);
  EXPECT_NEAR(static_cast<double>(plays[1].tick - plays[0].tick), 7000, 5);
  EXPECT_EQ(plays[0].sampleRate, 11025);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
  line_.HangUp();
  EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE);
}

TEST_F(Call, MissingAudioAndZeroWaitMoveOnAtOnce) {
  Connect("wait=0\ntype=EnterNumber\n");
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputNumber);
  line_.Advance(0);
  EXPECT_EQ(Count(OK::Play), 1u);
  EXPECT_EQ(Count(OK::Wait), 1u);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
}

TEST_F(Call, PlayExchangesTheAudioFileWithParametersExpanded) {
  Wave(dir_ / "x-5551234.wav", 500);
  Connect("playex=true\nplayexfile=" + dir_.Path() + "/x-%cid%.wav\n");
  EXPECT_NE(
      Read(controller_.MostRecentCallFile()).find("Play file: " + dir_.Path() + "/x-5551234.wav"),
      std::string::npos);
  EXPECT_NEAR(line_.OpsOf(OK::Play).back().endSample, 11025 / 2, 10);
}

TEST_F(Call, UserLogLineAndAnnouncement) {
  Connect(
      "log=true\nlogname=calls-%linenumber%\nannouncecall="
      "true\nannounceplay=/a/%cid%.wav\n");
  EXPECT_EQ(Read(folders_.Logs() + "/calls-0.txt"), "01/08/24,20:00:12,line0,5551234\r\n");
  ASSERT_GE(window_.messages.size(), 2u);
  EXPECT_EQ(window_.messages.back().id, WM_PLAYANNOUNCEMENT);
  EXPECT_EQ(window_.messages.back().text, "/a/5551234.wav");
  line_.HangUp();
  ASSERT_EQ(Ring(3), 3);
  line_.Connect();
  EXPECT_EQ(Read(folders_.Logs() + "/calls-0.txt"),
            "01/08/24,20:00:12,line0,5551234\r\n01/08/24,20:00:24,line0,5551234\r\n");
}

TEST_F(Call, UserLogNameCannotLeaveTheLogFolder) {
  Settings("[line0]\nname=../../evil\n");
  Connect("log=true\nlogname=%linename%\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "evil.txt"));
  EXPECT_FALSE(std::filesystem::exists(folders_.Logs() + "/../../evil.txt"));
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
}

TEST_F(Call, HangUpInEveryStateEndsIdle) {
  Ogm("Default Answering Message");
  ASSERT_EQ(Ring(3), 3);
  EXPECT_EQ(controller_.State(), IVRCMain::CS_ANSWERING);
  line_.Connect();
  line_.HangUp();  // playing the OGM
  EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE);
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputNone);
  EXPECT_EQ(window_.messages.back().id, WM_IVRCMAIN_LINESTATE);
  EXPECT_EQ(window_.messages.back().wParam, 0);
  Ogm("Default Answering Message", "wait=30\n");
  ASSERT_EQ(Ring(3), 3);
  line_.Connect();
  line_.Advance(10);
  EXPECT_TRUE(line_.IsWaiting());
  line_.HangUp();  // waiting for keys
  EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE);
  for (int state = IVRCMain::CS_IDLE; state <= IVRCMain::CS_GOODBYE; ++state) {
    ASSERT_EQ(Ring(3), 3);
    line_.Connect();
    controller_.SetState(static_cast<IVRCMain::CallState>(state));
    line_.HangUp();
    EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE) << state;
  }
}

TEST_F(Call, CompletionsInOtherStatesDropTheCall) {
  Connect("", 1000);
  controller_.SetState(IVRCMain::CS_TRANSFERBLIND);
  line_.Advance(1100);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
  line_.HangUp();
  Connect("wait=5\n", 1000);
  line_.Advance(1100);
  controller_.SetState(IVRCMain::CS_MBXGREETING);
  line_.Advance(5000);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
}

}  // namespace
