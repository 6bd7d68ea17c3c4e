#include "IVRCMainFixture.h"
#include "callengine/EngineServices.h"
#include "callengine/OutboundScheduler.h"

namespace {

// The scheduler over the fixture's one line, quiet for long enough.
class Scheduler : public IVRCMainTest {
 protected:
  Scheduler() { clock_.Advance(OutboundScheduler::kQuietMs); }
  bool Run() {
    return scheduler_.OutboundCheck({{&controller_, [this] { return !line_.IsConnected(); }}});
  }
  // Runs the scheduler, then ends whatever call it placed as unanswered.
  void RunAndHangUp() {
    Run();
    if (controller_.State() != IVRCMain::CS_IDLE) line_.Unanswered();
    clock_.Advance(OutboundScheduler::kQuietMs);
  }
  Texts Called() const { return OpTexts(OK::MakeCall); }
  std::string List() const { return FileText(folders_.Root() + "/outboundlist.txt"); }
  void Active() { Settings("[outbound]\nactive=true\n"); }

  OutboundScheduler scheduler_{folders_, clock_, logFile_};
};

TEST_F(Scheduler, ListEntriesAreCalledInTurnWithoutBlanksOnceTheLineWasQuiet) {
  Write(folders_.Root() + "/outboundlist.txt", "555 0101&name=Ann;\r\n555 0102");
  Active();
  EXPECT_TRUE(Run());
  EXPECT_EQ(controller_.State(), IVRCMain::CS_OUTBOUND);
  EXPECT_EQ(controller_.OutboundEntry(), "5550101&name=Ann");
  line_.Unanswered("the far end refused it (SIP 486 Busy Here)");  // the log tells why
  const std::vector<std::string> log = SystemLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "Outbound call to 5550101 failed: the far end refused it (SIP 486 Busy Here)"),
            log.end());
  clock_.Advance(OutboundScheduler::kQuietMs - 1);
  Run();  // the line has not been quiet long enough
  EXPECT_EQ(Called(), Texts{"5550101"});
  clock_.Advance(1);
  Run();
  EXPECT_EQ(Called(), (Texts{"5550101", "5550102"}));
}

TEST_F(Scheduler, TheCallingWindowMaySpanMidnight) {
  for (auto [seconds, calls] : {std::pair{23 * 3600, true}, {5 * 3600 + 3599, true},
                                {6 * 3600, false}, {12 * 3600, false}}) {
    Write(folders_.Root() + "/outboundlist.txt", "100");
    Settings("[outbound]\nactive=true\ntimestart=22:00:00\ntimeend=06:00:00\n");
    clock_.SetNow(LocalTime(2024, 1, 8, 0, 0, 0) + seconds);
    const std::size_t before = Called().size();
    RunAndHangUp();
    EXPECT_EQ(Called().size(), before + (calls ? 1 : 0)) << seconds;
  }
  Settings("[outbound]\nactive=true\ntimestart=09:00:00\ntimeend=09:00:00\n");
  clock_.SetNow(LocalTime(2024, 1, 8, 9, 0, 0));
  RunAndHangUp();  // an empty window: never
  EXPECT_EQ(Called().size(), 2u);
}

TEST_F(Scheduler, AHeadWaitingForItsNextAttemptHoldsTheList) {
  const long long later = static_cast<long long>(clock_.Now()) + 600;
  Write(folders_.Root() + "/outboundlist.txt",
        "100&attempts=2&intervalnext=" + std::to_string(later) + ";200");
  Active();
  EXPECT_TRUE(Run() && Called().empty());
  clock_.SetNow(static_cast<std::time_t>(later));
  Run();
  EXPECT_EQ(std::tuple(Called(), List()), std::tuple(Texts{"100"}, "200"));
  // Unanswered: it goes to the end of the list with one attempt fewer.
  EngineServices services(folders_.Root(), folders_.SettingsFile(), nullptr);
  controller_.SetServices(&services);
  line_.Unanswered();
  EXPECT_EQ(List(), "200;100&attempts=1&intervalnext=" +
                        std::to_string(static_cast<long long>(clock_.Now()) + 30 * 60));
}

TEST_F(Scheduler, ForwardingCallsTryEachNumberThenRepeatTheLast) {
  const std::string mailbox = folders_.MailBoxes() + "/Sales.mbx";
  Write(mailbox, "[mbx]\nforwardtel=true\nforwardnumber=100\\200\\300\n"
                 "maxforwardattempts=5\nforwardfailwaitmins=0\n");
  Write(folders_.MailBoxes() + "/Sales ICM000001.ini", "[message]\ndate=08/01/24\n");
  for (int i = 0; i < 6; ++i) {
    clock_.SetNow(clock_.Now() + 60);
    RunAndHangUp();
  }
  EXPECT_EQ(Called(), (Texts{"100", "200", "300", "300", "300"}));
  EXPECT_EQ(ProfileReadInt(mailbox, "mbx", "forwardattempts", 0), 5);
  const std::vector<std::string> log = SystemLog();  // the owner can tell the calls have stopped
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Making message forward call to 300 (the last call until a new message arrives)"),
            log.end());
  // Still pending (unread), so the scheduler keeps running; once read, it stops.
  EXPECT_TRUE(Run());
  Write(folders_.MailBoxes() + "/Sales ICM000001.ini", "[message]\nread=true\n");
  EXPECT_FALSE(Run());
}

// The time of the last attempt is kept in full past 2038; an older file's
// value reads as before.
TEST_F(Scheduler, ForwardingCallsWaitBetweenAttemptsBeyond2038) {
  const std::string mailbox = folders_.MailBoxes() + "/Sales.mbx";
  Write(mailbox, "[mbx]\nforwardtel=true\nforwardnumber=100\nmaxforwardattempts=9\nforwardfailwaitmins=20\n"
                 "forwardattempttime=1700000000\n");
  Write(folders_.MailBoxes() + "/Sales ICM000001.ini", "[message]\ndate=08/01/24\n");
  const struct { std::time_t now; std::size_t calls; } rounds[] = {
      {1'700'000'060, 0}, {1'700'001'201, 1}, {2'200'000'000, 2}, {2'200'000'060, 2}, {2'200'001'201, 3}};
  for (const auto& round : rounds) {
    clock_.SetNow(round.now);
    RunAndHangUp();
    EXPECT_EQ(Called().size(), round.calls) << round.now;
  }
  EXPECT_EQ(ProfileReadString(mailbox, "mbx", "forwardattempttime", ""), "2200001201");
}

}  // namespace
