#include <tuple>

#include "IVRCMainFixture.h"
#include "callengine/OGMCommands.h"

namespace {

// Calls on a controller with the real commands; keys of the default OGM
// hold the actions under test.
class Commands : public IVRCMainTest {
 protected:
  Commands() { controller_.SetCommands(&commands_); }
  void Answer(const std::string &ivr) { IVRCMainTest::Answer("wait=30\n" + ivr); }

  OGMCommands commands_;
};

TEST_F(Commands, GoHangupGoodbyeInvalidRepeatAndSeek) {
  Ogm("Sales", "wait=5\n");
  Answer("press1=GO\npress1go=sal%linenumber%es\npress2=go\npress2go=Nowhere\npress3=dance\n"
         "press4=noresponse\n");
  Ogm("Sal0es");
  line_.Press("234");
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Default Answering Message.ini");
  EXPECT_TRUE(line_.Ops().empty());  // the OGM goes on
  line_.Press('1');
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Sal0es.ini");
  EXPECT_EQ(std::tuple(controller_.State(), Count(OK::Play)), std::tuple(S::CS_OGM, 1u));
  // Hang-up, goodbye, invalid, repeat and seek.
  Answer("press1=hangup\npress2=goodbye\npress3=invalid\npress4=repeat\nrepeat=3\n"
         "press5=seek\npress5seektime=-0:00:05.000\n");
  line_.Press('5');
  EXPECT_EQ(std::pair(LastKind(), line_.LastOp()->deltaMs), std::pair(OK::Seek, -5000));
  line_.Advance(31500);  // the OGM and its wait: a repeat used up
  EXPECT_EQ(controller_.RepeatCounter(), 2);
  line_.Press('4');
  EXPECT_EQ(controller_.RepeatCounter(), 3);
  line_.Press('3');
  EXPECT_EQ(controller_.State(), S::CS_INVALID);
  line_.Press('2');
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
  Answer("press1=hangup\n");
  line_.Press('1');
  EXPECT_EQ(LastKind(), OK::Drop);
}

TEST_F(Commands, BlindOrConfirmedTransfer) {
  Answer("press1=transfer\npress1transfermode=0\npress1transfer=2%linenumber%1\n");
  line_.Press('1');
  line_.CompleteDial();
  line_.Advance(750);
  EXPECT_EQ(Dialled(), (std::vector<std::string>{"!", "201"}));
  line_.CompleteDial();
  EXPECT_EQ(LastKind(), OK::Drop);
  Settings("[transfer]\nblindtapi=true\nblindprefix=\nblindsuffix=#\n");
  Answer("press1=transfer\npress1transfermode=0\npress1transfer=300\n");
  line_.Press('1');
  EXPECT_EQ(std::tuple(LastKind(), line_.LastOp()->text), std::tuple(OK::TransferBlind, "300#"));
  // Confirmed transfer is the default and chains its failure.
  Settings("[transfer]\nconfirmedprefix=\nconfirmedrepeat=0\nconfirmedreject=\n");
  Ogm("Busy");
  Answer("press1=transfer\npress1transfer=200\npress1transferfail=go\npress1transferfailgo=Busy\n");
  line_.Press('1');
  EXPECT_EQ(Dialled(), std::vector<std::string>{"200"});
  line_.CompleteDial();
  line_.Advance(0);  // no prompt, no repeats: rejected; nothing to dial back
  EXPECT_EQ(std::tuple(controller_.CurrentOGM(), controller_.State()),
            std::tuple(folders_.Ogms() + "/Busy.ini", S::CS_OGM));
}

TEST_F(Commands, DialAndPlayActions) {
  Answer("press1=dial\npress1dial=9%cid%\npress1afterdial=hangup\npress2=dial\n");
  line_.Press('1');
  EXPECT_EQ(Dialled(), std::vector<std::string>{"95551234"});
  line_.CompleteDial();
  EXPECT_EQ(LastKind(), OK::Drop);
  Answer("press2=dial\n");
  line_.Press('2');  // no digits: complete at once, no after-dial action: the OGM again
  EXPECT_EQ(std::tuple(Dialled().size(), Count(OK::Play)), std::tuple(0u, 1u));
  // The play action plays the file (a relative path in the data folder), or
  // with none restarts at once.
  const std::string file = folders_.Root() + "/hours.wav";
  Wave(file, 2000);
  Answer("press1=play\npress1playfile=hours.wav\npress2=play\npress2playfile=/no/such.wav\n");
  line_.Press('1');
  EXPECT_EQ(controller_.State(), S::CS_PLAYFILE);
  EXPECT_TRUE(InLog("Play file: " + file));
  line_.Advance(2000);  // back in the OGM: "2" is taken
  line_.Press('2');
  EXPECT_TRUE(InLog("Error opening file: /no/such.wav"));
  line_.Advance(0);
  EXPECT_EQ(controller_.State(), S::CS_OGM);
}

TEST_F(Commands, MailboxPlaysItsGreetingOrTheSystemPrompt) {
  Write(folders_.MailBoxes() + "/Sales.mbx", "[mbx]\n");
  Wave(folders_.MailBoxes() + "/Sales OGM.wav", 3000);
  Answer("press1=mailbox\npress1mbx=sales\npress2=mailbox\npress2mbx=Other\n"
         "press3=mailbox\npress3mbx=Other\npress3mbxmessage=false\npress4=mailbox\n"
         "press4mbx=../x\npress5=mailboxaccess\n");
  const std::tuple<char, S::CallState, const char *, const char *> rows[] = {
      {'1', S::CS_MBXGREETING, "Leave message for mailbox:sales", "Sales"},
      {'2', S::CS_MBXGREETING, "System prompt missing: LeaveMessage", "Other"},
      {'3', S::CS_MBXRECORDTONE, "Leave message for mailbox:Other", "Other"},
      {'4', S::CS_GOODBYE, "Mailbox name refused: ../x", "Other"},  // leaves the folder
      {'5', S::CS_ACCESSCODE, "Command - Mailbox Access", "Other"}};
  for (auto [key, state, logged, mailbox] : rows) {
    controller_.SetState(S::CS_OGM);
    line_.Press(key);
    EXPECT_EQ(controller_.State(), state) << key;
    EXPECT_TRUE(InLog(logged)) << key;
    EXPECT_EQ(controller_.Mailbox(), folders_.MailBoxes() + "/" + mailbox + ".mbx") << key;
    if (key == '1') { EXPECT_NEAR(line_.LastOp()->endSample, 3 * 8000, 20); }
  }
  // A mailbox whose files cannot be written says goodbye before any tone.
  std::filesystem::remove_all(folders_.MailBoxes());
  controller_.SetState(S::CS_OGM);
  line_.Press('3');
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
  const Texts logged = SystemLog();
  EXPECT_NE(std::find(logged.begin(), logged.end(),
                      "A message could not be taken for mailbox Other: " + folders_.MailBoxes() +
                          " cannot be written (No such file or directory)"),
            logged.end());
  EXPECT_EQ(Count(OK::Record), 0u);
}

TEST_F(Commands, RecordActionSetsUpItsFileLimitsAndChain) {
  Settings("[settings]\nmaxrectime=0:01:00.000\n");
  Answer("press1=record\npress1recfile=rec-%cid%.wav\npress1silencedetect=0:00:02.000\n"
         "press1recstop=hangup\npress2=record\npress2recfile=../%cid%.wav\n");
  line_.Press('1');
  line_.Advance(0);
  const ScriptedLine::Op &record = *line_.LastOp();
  EXPECT_EQ(std::tuple(record.kind, record.maxMs, record.silenceMs),
            std::tuple(OK::Record, 60000, 2000));
  EXPECT_EQ(controller_.RecordingSettings().file, folders_.Root() + "/rec-5551234.wav");
  line_.CompleteRecord();
  EXPECT_EQ(LastKind(), OK::Drop);  // the "recstop" action
  Answer("press2=record\npress2recfile=../%cid%.wav\n");
  line_.Press('2');
  line_.Advance(0);  // no file to record into: the call ends
  EXPECT_EQ(LastKind(), OK::Drop);
  EXPECT_TRUE(InLog("Record file refused: ../5551234.wav"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "5551234.wav"));
}

}  // namespace
