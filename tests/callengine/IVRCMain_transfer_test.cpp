#include "IVRCFakes.h"
#include "IVRCMainFixture.h"

namespace {

using OK = ScriptedLine::OpKind;
using S = IVRCMain;

// Calls on a controller with commands and services; the "dial" of a
// command is played by `Dial` below.
class Transfer : public IVRCMainTest {
 protected:
  Transfer() {
    controller_.SetCommands(&commands_);
    controller_.SetServices(&services_);
  }
  void Answer(const std::string &ivr = "wait=30\n") {
    Connect(ivr, 1000);
    line_.ClearOps();
  }
  // What a transfer or dial command does: its state, then the paced dial.
  void Dial(IVRCMain::CallState state, const std::string &digits) {
    controller_.SetState(state);
    controller_.SetChainedAction({controller_.CurrentOGM(), "ivr", "press1transferfail"});
    controller_.Dial(digits);
  }
  std::vector<std::string> Dialled() const {
    std::vector<std::string> groups;
    for (const auto &op : line_.OpsOf(OK::Dial)) groups.push_back(op.text);
    return groups;
  }

  RecordingCommands commands_;
  RecordingServices services_;
};

TEST_F(Transfer, PacedDialSplitsGroupsAndPausesPerComma) {
  Answer();
  Dial(S::CS_DIALCMD, "!,123,,45");
  EXPECT_EQ(controller_.State(), S::CS_DIALING);
  line_.CompleteDial();  // "!" done: one pause of 750 ms
  EXPECT_EQ(line_.LastOp()->maxMs, 750);
  line_.Advance(750);
  line_.CompleteDial();  // "123" done: two pauses
  EXPECT_EQ(line_.LastOp()->maxMs, 1500);
  line_.Advance(1500);
  EXPECT_EQ(Dialled(), (std::vector<std::string>{"!", "123", "45"}));
  commands_.taken = false;
  line_.CompleteDial();  // all dialled: the chained action, else the OGM again
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press1transferfail"});
  EXPECT_EQ(controller_.State(), S::CS_OGM);
  EXPECT_NE(CallFile().find("Dialing: 123"), std::string::npos);
}

TEST_F(Transfer, DialStringsOf64OrMoreAreNotDialled) {
  Answer();
  Dial(S::CS_TRANSFERBLIND, std::string(64, '5'));
  EXPECT_TRUE(Dialled().empty());
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);  // completed at once: the blind transfer ends
  EXPECT_NE(CallFile().find("Dialing complete"), std::string::npos);
  line_.HangUp();
  Answer();
  Dial(S::CS_DIALCMD, std::string(63, '5'));
  EXPECT_EQ(Dialled(), std::vector<std::string>{std::string(63, '5')});
}

// A trailing pause ends the dial without a report from the line; the log
// still says the dialling completed, once per end.
TEST_F(Transfer, DialEndingInAPauseStillLogsItsCompletion) {
  Answer();
  commands_.taken = false;
  Dial(S::CS_DIALCMD, "1,");
  line_.CompleteDial();
  line_.Advance(750);
  const std::string log = CallFile();
  std::size_t count = 0;
  for (std::size_t at = log.find("Dialing complete"); at != std::string::npos;
       at = log.find("Dialing complete", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(controller_.State(), S::CS_OGM);
}

TEST_F(Transfer, ConfirmedTransferAsksRepeatsThenRejectsWithAFlash) {
  Settings("[transfer]\nconfirmedrepeat=1\n");
  Answer();
  Wave(folders_.SystemPrompts() + "/TransferQuery.wav", 1000);
  Dial(S::CS_TRANSFERDIAL, "200");
  line_.CompleteDial();
  EXPECT_EQ(controller_.State(), S::CS_TRANSFERQUERY);
  line_.EndOfCallTone();  // the called party's tones do not end the call
  line_.Press('7');       // nor do other keys
  line_.Advance(2000);    // asked twice, no answer: rejected
  EXPECT_EQ(Count(OK::Play), 2u);
  EXPECT_EQ(controller_.State(), S::CS_DIALING);
  EXPECT_EQ(Dialled().back(), "!");
  line_.CompleteDial();
  line_.Advance(750);
  EXPECT_EQ(commands_.keys, std::vector<std::string>{"press1transferfail"});
  EXPECT_EQ(Count(OK::Drop), 0u);
}

TEST_F(Transfer, AcceptedTransferDropsOrStaysOnTheCall) {
  Settings("[transfer]\nconfirmedcomplete=#9\n");
  Answer();
  Dial(S::CS_TRANSFERDIAL, "200");
  line_.CompleteDial();
  line_.Press('1');
  EXPECT_EQ(Dialled().back(), "#9");
  line_.CompleteDial();
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
  EXPECT_NE(CallFile().find("Transfer complete so drop call"), std::string::npos);
  line_.HangUp();
  Settings("[transfer]\nuseconferencecall=true\n[settings]\nrecthres=-30dB\n");
  Answer();
  Dial(S::CS_TRANSFERDIAL, "200");
  line_.CompleteDial();
  line_.Press('1');  // nothing to dial: complete at once
  const ScriptedLine::Op &wait = *line_.LastOp();
  EXPECT_EQ(wait.kind, OK::Wait);
  EXPECT_EQ(wait.silenceMs, 25000);
  EXPECT_EQ(wait.thresholdDb, -30);
  EXPECT_EQ(wait.maxMs, 3600000);
  EXPECT_NE(CallFile().find("Transfer complete (simulate by hanging on line)"), std::string::npos);
  line_.Advance(3600000);
  EXPECT_NE(CallFile().find("Transfer wait timeout"), std::string::npos);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
}

TEST_F(Transfer, AnswerDetectionGivesTheToneThenAcceptsOrRejects) {
  Settings("[outbound]\ntimeout=0:00:20.000\n");
  Answer();
  Dial(S::CS_TRANSFERDIALANSWERDETECT, "200");
  line_.CompleteDial();
  const ScriptedLine::Op &record = *line_.LastOp();
  EXPECT_EQ(record.kind, OK::Record);
  EXPECT_EQ(record.thresholdDb, LLineBase::kNoThreshold);
  EXPECT_EQ(services_.detectorTimeoutMs, 20000);
  EXPECT_EQ(services_.detectorSilenceMs, 2250);
  services_.detection->store(2);  // ignored
  line_.ReportRecordPosition(100);
  EXPECT_EQ(line_.LastOp()->kind, OK::Record);
  services_.detection->store(IVRCServices::kAnswerMachine);
  line_.ReportRecordPosition(200);
  EXPECT_EQ(line_.LastOp()->kind, OK::Play);  // "RecordTone" to the called party
  line_.Advance(0);
  EXPECT_EQ(controller_.State(), S::CS_TRANSFERACCEPT);
  line_.HangUp();
  Answer();
  Dial(S::CS_TRANSFERDIALANSWERDETECT, "200");
  line_.CompleteDial();
  line_.CompleteRecord();  // the detector's own time-out: nobody answered
  EXPECT_EQ(controller_.State(), S::CS_DIALING);
  EXPECT_EQ(Dialled().back(), "!");
  controller_.SetServices(nullptr);  // without a detector nobody ever answers
  line_.HangUp();
  Answer();
  Dial(S::CS_TRANSFERDIALANSWERDETECT, "200");
  line_.CompleteDial();
  EXPECT_EQ(Dialled().back(), "!");
}

TEST_F(Transfer, FaxDialsOnceOrHandsOff) {
  Settings("[settings]\nfax=true\nfaxdial=,77\n");
  Answer();
  line_.Fax();
  line_.Fax();  // already dialling
  line_.Advance(750);
  EXPECT_EQ(Dialled(), std::vector<std::string>{"77"});
  line_.CompleteDial();
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
  line_.HangUp();
  Settings("[settings]\nfax=true\n");
  Answer();
  line_.Fax();
  EXPECT_EQ(line_.LastOp()->kind, OK::FaxHandoff);
  EXPECT_NE(CallFile().find("Attempt TAPI fax handoff"), std::string::npos);
}

TEST_F(Transfer, EndOfCallToneDropsAnOrdinaryCall) {
  Answer();
  line_.EndOfCallTone();
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
}

// Outbound calls: the scheduler sets the state and entry, then places the call.
class Outbound : public Transfer {
 protected:
  void Place(const std::string &entry) {
    controller_.SetState(S::CS_OUTBOUND);
    controller_.SetOutboundEntry(entry);
    ASSERT_TRUE(line_.MakeCall(entry.substr(0, entry.find('&'))));
    line_.Connect();
  }
};

TEST_F(Outbound, AnsweredCallRunsTheOgmItsEntryNames) {
  Ogm("Sales");
  Ogm("Machine");
  Place("5551000&ogm=Sales&ogmmachine=Machine&name=Bob+Smith");
  EXPECT_EQ(Parm("name"), "Bob Smith");
  EXPECT_NE(CallFile().find("Outbound call [5551000&ogm=Sales"), std::string::npos);
  services_.detection->store(IVRCServices::kAnswerPerson);
  line_.ReportRecordPosition(500);
  EXPECT_EQ(controller_.State(), S::CS_OGM);
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Sales.ini");
  line_.HangUp();
  Place("5551000&ogm=Sales&ogmmachine=Machine");
  services_.detection->store(IVRCServices::kAnswerMachine);
  line_.ReportRecordPosition(500);
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Machine.ini");
  const auto log = CallLog();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Outbound call 5551000&ogm=Sales&ogmmachine=Machine [Answered] (Machine)"),
            log.end());
  line_.HangUp();
  Place("5551000&ogm=Nowhere");  // an OGM that does not exist stops the run
  services_.detection->store(IVRCServices::kAnswerPerson);
  line_.ReportRecordPosition(500);
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
  EXPECT_FALSE(ProfileReadBool(folders_.SettingsFile(), "outbound", "active", true));
}

TEST_F(Outbound, UnansweredCallIsScheduledAgainWhileAttemptsRemain) {
  Place("5551000&attempts=3&intervalnext=1&interval=10&x=1");
  line_.CompleteRecord();  // the detector gave up
  ASSERT_EQ(services_.outbound.size(), 1u);
  const long long next = static_cast<long long>(clock_.Now()) + 600;
  EXPECT_EQ(services_.outbound[0],
            "5551000&interval=10&x=1&attempts=2&intervalnext=" + std::to_string(next));
  EXPECT_EQ(window_.timers, (std::vector<std::pair<int, uint32_t>>{{2, 5000}}));
  EXPECT_EQ(controller_.State(), S::CS_IDLE);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
  line_.HangUp();
  Place("5551001&attempts=1");  // the last attempt: nothing more
  line_.HangUp();                // a hang-up before the answer counts as no answer
  EXPECT_EQ(services_.outbound.size(), 1u);
  const auto log = CallLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "Outbound call 5551001&attempts=1 not answered"),
            log.end());
}

TEST_F(Outbound, ForwardCallOffersMessagesUntilAcceptedOrGivenUp) {
  RecordingVoiceMail voiceMail;
  controller_.SetVoiceMail(&voiceMail);
  const std::string mailbox = folders_.MailBoxes() + "/Sales.mbx";
  Write(mailbox, "[mbx]\nforwardrepeat=1\n");
  Wave(folders_.SystemPrompts() + "/ForwardMessage.wav", 1000);
  controller_.SetMailbox(mailbox);
  controller_.SetState(S::CS_FORWARD);
  line_.MakeCall("200");
  line_.Connect();
  EXPECT_NE(CallFile().find("Outbound message forward dial complete"), std::string::npos);
  line_.Press('5');  // not an answer
  line_.Advance(2000);
  EXPECT_EQ(Count(OK::Play), 2u);
  EXPECT_NE(CallFile().find("Message forward attempt failed"), std::string::npos);
  EXPECT_EQ(line_.LastOp()->kind, OK::Drop);
  line_.HangUp();
  controller_.SetState(S::CS_FORWARD);
  line_.Connect();
  line_.Press('1');
  EXPECT_EQ(voiceMail.calls, std::vector<std::string>{"forward accepted"});
  line_.HangUp();
  Write(mailbox, "[mbx]\nautoplay=true\n");
  controller_.SetState(S::CS_FORWARD);
  line_.Connect();
  services_.detection->store(IVRCServices::kAnswerPerson);
  line_.ReportRecordPosition(500);
  EXPECT_EQ(voiceMail.calls.back(), "forward answered");
}

}  // namespace
