#include <tuple>

#include "IVRCFakes.h"

namespace {

// The "dial" of a transfer or dial command: its state, then the paced dial.
class Transfer : public FakedTest {
 protected:
  void Dial(IVRCMain::CallState state, const std::string &digits) {
    controller_.SetState(state);
    controller_.SetChainedAction({controller_.CurrentOGM(), "ivr", "press1transferfail"});
    controller_.Dial(digits);
  }
  // Answers a new call and dials "200" from `state`; the dial completes.
  void DialTwoHundred(IVRCMain::CallState state) {
    Answer();
    Dial(state, "200");
    line_.CompleteDial();
  }
  bool InCallLog(const std::string &line) const { return std::ranges::count(CallLog(), line) > 0; }
};

TEST_F(Transfer, PacedDialSplitsGroupsAndPausesPerComma) {
  // A trailing pause ends the dial without a report from the line; the log
  // still says the dialling completed, once per end.
  Answer();
  commands_.taken = false;
  Dial(S::CS_DIALCMD, "1,");
  line_.CompleteDial();
  line_.Advance(750);
  const std::string log = CallFile();
  EXPECT_NE(log.find("Dialing complete"), log.rfind("Dialing complete"));
  Answer();
  Dial(S::CS_DIALCMD, "!,123,,45");
  line_.CompleteDial();  // "!" done: one pause of 750 ms
  EXPECT_EQ(line_.LastOp()->maxMs, 750);
  line_.Advance(750);
  line_.CompleteDial();  // "123" done: two pauses
  EXPECT_EQ(line_.LastOp()->maxMs, 1500);
  line_.Advance(1500);
  EXPECT_EQ(Dialled(), (Texts{"!", "123", "45"}));
  line_.CompleteDial();  // all dialled: the chained action (once per dial), else the OGM
  EXPECT_EQ(commands_.keys, Texts(2, "press1transferfail"));
  EXPECT_EQ(controller_.State(), S::CS_OGM);
  // Dial strings of 64 or more are not dialled: the blind transfer ends.
  Answer();
  Dial(S::CS_TRANSFERBLIND, std::string(64, '5'));
  EXPECT_EQ(std::pair(Dialled().size(), LastKind()), std::pair(std::size_t{0}, OK::Drop));
  Answer();
  Dial(S::CS_DIALCMD, std::string(63, '5'));
  EXPECT_EQ(Dialled(), Texts{std::string(63, '5')});
}

TEST_F(Transfer, ConfirmedTransferAsksRepeatsThenRejectsWithAFlashOrIsAccepted) {
  Settings("[transfer]\nconfirmedrepeat=1\n");
  Prompt("TransferQuery", 1000);
  DialTwoHundred(S::CS_TRANSFERDIAL);
  line_.EndOfCallTone();  // the called party's tones do not end the call
  line_.Press('7');       // nor do other keys
  line_.Advance(2000);    // asked twice, no answer: rejected
  EXPECT_EQ(std::tuple(Count(OK::Play), Dialled().back()), std::tuple(2u, "!"));
  line_.CompleteDial();
  line_.Advance(750);
  EXPECT_EQ(std::tuple(commands_.keys, Count(OK::Drop)), std::tuple(Texts{"press1transferfail"}, 0u));
  // Accepted: the transfer completes and drops or stays on the call.
  Settings("[transfer]\nconfirmedcomplete=#9\n");
  DialTwoHundred(S::CS_TRANSFERDIAL);
  line_.Press('1');
  EXPECT_EQ(Dialled().back(), "#9");
  line_.CompleteDial();
  EXPECT_EQ(LastKind(), OK::Drop);
  Settings("[transfer]\nuseconferencecall=true\n[settings]\nrecthres=-30dB\n");
  DialTwoHundred(S::CS_TRANSFERDIAL);
  line_.Press('1');  // nothing to dial: complete at once
  const ScriptedLine::Op &wait = *line_.LastOp();
  EXPECT_EQ(std::tuple(wait.kind, wait.silenceMs, wait.thresholdDb, wait.maxMs),
            std::tuple(OK::Wait, 25000, -30, 3600000));
  line_.Advance(3600000);
  EXPECT_EQ(LastKind(), OK::Drop);
}

TEST_F(Transfer, APartyThatLeftIsNotAskedAgain) {
  Settings("[transfer]\nconfirmedrepeat=5\n");
  Prompt("TransferQuery", 1000);
  // Asking: rejected at once with the flash back.
  DialTwoHundred(S::CS_TRANSFERDIAL);
  line_.TransferPartyGone();
  EXPECT_EQ(std::tuple(Count(OK::Play), Dialled().back()), std::tuple(1u, "!"));
  EXPECT_EQ(std::ranges::count(SystemLog(), "Transfer party hung up, refused or not reached"), 1);
  // Still dialling (a pause after the number): rejected when the dial completes.
  Answer();
  Dial(S::CS_TRANSFERDIAL, "200,9");
  line_.CompleteDial();
  line_.TransferPartyGone();
  line_.Advance(750);
  line_.CompleteDial();
  EXPECT_EQ(std::tuple(Count(OK::Play), Dialled().back()), std::tuple(0u, "!"));
  // Answer detection running: rejected too. Outside a transfer: ignored.
  DialTwoHundred(S::CS_TRANSFERDIALANSWERDETECT);
  line_.TransferPartyGone();
  EXPECT_EQ(Dialled().back(), "!");
  Answer();
  line_.TransferPartyGone();
  EXPECT_EQ(controller_.State(), S::CS_OGM);
}

TEST_F(Transfer, AnswerDetectionAcceptsOrRejectsAndFaxDialsOrHandsOff) {
  Settings("[outbound]\ntimeout=0:00:20.000\n");
  DialTwoHundred(S::CS_TRANSFERDIALANSWERDETECT);
  EXPECT_EQ(std::tuple(LastKind(), line_.LastOp()->thresholdDb, services_.detectorTimeoutMs,
                       services_.detectorSilenceMs),
            std::tuple(OK::Record, LLineBase::kNoThreshold, 20000, 2250));
  Detect(2, 100);  // ignored
  EXPECT_EQ(LastKind(), OK::Record);
  Detect(IVRCServices::kAnswerMachine, 200);
  EXPECT_EQ(LastKind(), OK::Play);  // "RecordTone" to the called party
  line_.Advance(0);
  EXPECT_EQ(controller_.State(), S::CS_TRANSFERACCEPT);
  DialTwoHundred(S::CS_TRANSFERDIALANSWERDETECT);
  line_.CompleteRecord();  // the detector's own time-out: nobody answered
  EXPECT_EQ(Dialled().back(), "!");
  controller_.SetServices(nullptr);  // without a detector nobody ever answers
  DialTwoHundred(S::CS_TRANSFERDIALANSWERDETECT);
  EXPECT_EQ(Dialled().back(), "!");
  // A fax dials once or hands off; the end-of-call tone drops.
  Settings("[settings]\nfax=true\nfaxdial=,77\n");
  Answer();
  line_.Fax();
  line_.Fax();  // already dialling
  line_.Advance(750);
  EXPECT_EQ(Dialled(), Texts{"77"});
  line_.CompleteDial();
  EXPECT_EQ(LastKind(), OK::Drop);
  Settings("[settings]\nfax=true\n");
  Answer();
  line_.Fax();
  EXPECT_EQ(LastKind(), OK::FaxHandoff);
  Answer();
  line_.EndOfCallTone();
  EXPECT_EQ(LastKind(), OK::Drop);
}

// Outbound calls: the scheduler sets the state and entry, then places the call.
class Outbound : public Transfer {
 protected:
  void Place(const std::string &entry, int answer = -1) {
    if (line_.IsConnected()) line_.HangUp();
    controller_.SetState(S::CS_OUTBOUND);
    controller_.SetOutboundEntry(entry);
    ASSERT_TRUE(line_.MakeCall(entry.substr(0, entry.find('&'))));
    line_.Connect();
    if (answer >= 0) Detect(static_cast<uint8_t>(answer));
  }
};

TEST_F(Outbound, AnsweredCallRunsTheOgmItsEntryNames) {
  for (const char *name : {"Sales", "Machine"}) Ogm(name);
  Place("5551000&ogm=Sales&ogmmachine=Machine&name=Bob+Smith", IVRCServices::kAnswerPerson);
  EXPECT_EQ(Parm("name") + controller_.CurrentOGM(), "Bob Smith" + folders_.Ogms() + "/Sales.ini");
  Place("5551000&ogm=Sales&ogmmachine=Machine", IVRCServices::kAnswerMachine);
  EXPECT_EQ(controller_.CurrentOGM(), folders_.Ogms() + "/Machine.ini");
  EXPECT_TRUE(InCallLog("Outbound call 5551000&ogm=Sales&ogmmachine=Machine [Answered] (Machine)"));
  Place("5551000&ogm=Nowhere", IVRCServices::kAnswerPerson);  // a missing OGM stops the run
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
  EXPECT_FALSE(ProfileReadBool(folders_.SettingsFile(), "outbound", "active", true));
}

TEST_F(Outbound, UnansweredCallIsScheduledAgainWhileAttemptsRemain) {
  Place("5551000&attempts=3&intervalnext=1&interval=10&x=1");
  line_.CompleteRecord();  // the detector gave up
  const long long next = static_cast<long long>(clock_.Now()) + 600;
  EXPECT_EQ(services_.outbound,
            Texts{"5551000&interval=10&x=1&attempts=2&intervalnext=" + std::to_string(next)});
  EXPECT_EQ(window_.timers, (std::vector<std::pair<int, uint32_t>>{{2, 5000}}));
  EXPECT_EQ(LastKind(), OK::Drop);
  Place("5551001&attempts=1");  // the last attempt: nothing more
  line_.HangUp();                // a hang-up before the answer counts as no answer
  EXPECT_EQ(services_.outbound.size(), 1u);
  EXPECT_TRUE(InCallLog("Outbound call 5551001&attempts=1 not answered"));
}

}  // namespace
