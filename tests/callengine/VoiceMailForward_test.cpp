#include "VoiceMailFixture.h"

namespace {

class VoiceMailForward : public VoiceMailFlowsTest {
 protected:
  // The scheduler's call to the owner of "Sales" is connected.
  void ForwardCall(const std::string &keys) {
    controller_.SetMailbox(MailBox("Sales", keys));
    controller_.SetState(S::CS_FORWARD);
    line_.Connect();
  }
  void Answered() {
    ASSERT_TRUE(services_.detection);
    Detect(IVRCServices::kAnswerPerson, 100);
  }
};

TEST_F(VoiceMailForward, AnsweredCallPlaysTheFirstUnreadMessageThenTheMenuOrOneAcceptsOrItIsGivenUp) {
  Message("Sales", "000001", "07/01/24", "11:00:00", 1000, true);
  ForwardCall("autoplay=true\n");
  Answered();  // nothing unread: dropped
  EXPECT_EQ(LastKind(), OK::Drop);
  line_.HangUp();
  Message("Sales", "000002", "07/01/24", "12:00:00", 700);
  ForwardCall("autoplay=true\n");
  Answered();
  EXPECT_EQ(std::pair(controller_.State(), PlayedMs()), std::pair(S::CS_FORWARDPLAY, 700));
  EXPECT_EQ(Key(Record("Sales", "000002"), "message", "read"), "true");
  EXPECT_EQ(Posted(WM_UPDATEREADMARK), Texts{Record("Sales", "000002")});
  line_.Press('2');  // the menu: on to the older message
  EXPECT_EQ(std::pair(controller_.State(), controller_.Message()),
            std::pair(S::CS_MSGPLAY, Record("Sales", "000001")));
  // Without autoplay the owner accepts with "1" and hears the newest message.
  line_.HangUp();
  Settings("[settings]\ndateorder=1\n[state]\nnewmessages=true\n");
  ForwardCall("forwardrepeat=2\n");
  line_.Press('1');
  EXPECT_EQ(controller_.Message(), Record("Sales", "000002"));
  EXPECT_EQ(Key(folders_.SettingsFile(), "state", "newmessages"), "false");
  // Other keys are no answer: the offer is repeated "forwardrepeat" times, then given up.
  line_.HangUp(), line_.ClearOps();
  Prompt("ForwardMessage", 1000);
  ForwardCall("forwardrepeat=1\n");
  line_.Press('5');
  line_.Advance(2000);
  EXPECT_EQ(std::pair(Count(OK::Play), LastKind()), std::pair(std::size_t{2}, OK::Drop));
}

}  // namespace
