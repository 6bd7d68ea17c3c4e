#include "IVRCMainFixture.h"

namespace {

using namespace std::string_literals;

using Call = IVRCMainTest;

TEST_F(Call, StartSetsTheCallParametersAndHangUpInEveryStateEndsIdle) {
  Settings("[settings]\ndateorder=1\n[line0]\nname=Front\n[state]\ncallsequenceno=41\n");
  Connect();
  // Three rings, six seconds apart.
  for (auto [name, value] : {std::pair{"time", "20:00:12"}, {"date", "08/01/24"},
                             {"linenumber", "0"}, {"linename", "Front"}, {"callsequenceno", "41"}})
    EXPECT_EQ(Parm(name), value) << name;
  EXPECT_EQ(ProfileReadInt(folders_.SettingsFile(), "state", "callsequenceno", 0), 42);
  EXPECT_EQ(std::pair(window_.messages.back().id, window_.messages.back().wParam),
            std::pair(uint32_t{WM_IVRCMAIN_LINESTATE}, int64_t{1}));
  for (auto [order, date] : {std::pair{"2", "24/01/08"}, {"0", "01/08/24"}}) {
    line_.HangUp();
    Settings("[settings]\ndateorder=" + std::string(order) + "\n");
    Connect();
    EXPECT_EQ(Parm("date") + Parm("linename") + Parm("callsequenceno"), date + "line00"s);
  }
  // A hang-up in every state ends idle.
  Connect("wait=30\n");
  line_.Advance(10);  // waiting for keys
  line_.HangUp();
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputNone);
  EXPECT_EQ(std::pair(window_.messages.back().id, window_.messages.back().wParam),
            std::pair(uint32_t{WM_IVRCMAIN_LINESTATE}, int64_t{0}));
  for (int state = IVRCMain::CS_IDLE; state <= IVRCMain::CS_GOODBYE; ++state) {
    ASSERT_EQ(Ring(3), 3);
    line_.Connect();
    controller_.SetState(static_cast<IVRCMain::CallState>(state));
    line_.HangUp();
    EXPECT_EQ(controller_.State(), IVRCMain::CS_IDLE) << state;
  }
  Connect("", 1000);  // a completion in another state drops the call
  controller_.SetState(IVRCMain::CS_TRANSFERBLIND);
  line_.Advance(1100);
  EXPECT_EQ(LastKind(), OK::Drop);
}

TEST_F(Call, OgmPlaysThenWaitsAndRepeatsBeforeSayingGoodBye) {
  Connect("wait=6\nrepeat=2\n", 1000);
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputMenu);
  line_.Advance(3 * 7000 - 100);
  EXPECT_EQ(Count(OK::Drop), 0u);
  line_.Advance(200);
  const auto plays = line_.OpsOf(OK::Play);
  ASSERT_EQ(plays.size(), 4u);  // three times, then "GoodBye"
  for (const auto &wait : line_.OpsOf(OK::Wait)) EXPECT_EQ(wait.maxMs, 6000);
  EXPECT_NEAR(static_cast<double>(plays[1].tick - plays[0].tick), 7000, 5);
  EXPECT_EQ(plays[0].sampleRate, 8000);  // the line's rate: no conversion of an 8 kHz file
  EXPECT_TRUE(InLog("System prompt missing: GoodBye"));
  EXPECT_EQ(LastKind(), OK::Drop);
  line_.HangUp();
  std::filesystem::remove(folders_.Ogms() + "/Default Answering Message.wav");
  line_.ClearOps();
  Connect("wait=0\ntype=EnterNumber\n");  // no audio and no wait: goodbye at once
  EXPECT_EQ(controller_.InputModeValue(), IVRCMain::kInputNumber);
  line_.Advance(0);
  EXPECT_EQ(std::pair(Count(OK::Play), LastKind()), std::pair(std::size_t{2}, OK::Drop));
  // The log names the missing file, so the owner knows what to record.
  EXPECT_TRUE(InLog("Play file: " + folders_.Ogms() + "/Default Answering Message.wav"));
}

TEST_F(Call, CallFileUserLogLineAndAnnouncement) {
  const std::string ivr =
      "log=true\nlogname=calls-%linenumber%\nannouncecall=true\nannounceplay=/a/%cid%.wav\n";
  Connect(ivr);
  EXPECT_EQ(controller_.MostRecentCallFile(), folders_.Logs() + "/Most Recent Call Line 1.txt");
  EXPECT_TRUE(InLog("Answered line [1 \"line0\"] call number [0] cid [5551234] did[200] drn[0 ("));
  EXPECT_EQ(std::pair(window_.messages.back().id, window_.messages.back().text),
            std::pair(uint32_t{WM_PLAYANNOUNCEMENT}, "/a/5551234.wav"s));
  Connect(ivr);
  EXPECT_TRUE(InLog("call number [1] cid") && !InLog("call number [0]"));  // the file anew
  EXPECT_EQ(FileText(folders_.Logs() + "/calls-0.txt"),
            "01/08/24,20:00:12,line0,5551234\r\n01/08/24,20:00:24,line0,5551234\r\n");
  // A log name cannot leave the log folder.
  Settings("[line0]\nname=../../evil\n");
  Connect("log=true\nlogname=%linename%\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "evil.txt") ||
               std::filesystem::exists(folders_.Logs() + "/../../evil.txt"));
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OGM);
}

}  // namespace
