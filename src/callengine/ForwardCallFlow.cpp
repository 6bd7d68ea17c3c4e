#include "callengine/ForwardCallFlow.h"

#include <string>

#include "audio/LWaveFile.h"
#include "callengine/CallDateTime.h"
#include "callengine/IVRCMain.h"
#include "callengine/MessageTimeStamp.h"
#include "callengine/RemoteAccessFlow.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "core/Trace.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"

namespace {

// The first message, in directory order, not yet played; "" when none.
std::string FirstUnread(const std::string &mailBoxPath) {
  for (LMailBoxMessageIterator it(mailBoxPath); it.IsValid(); it.Next()) {
    std::string record = it.GetMailBoxMessage();
    if (!ProfileReadBool(record, LMailBoxMessage::kSection, "read", false)) return record;
  }
  return {};
}

}  // namespace

void ForwardCallFlow::Accepted() {
  controller_.CallLog().Log("Message forward call accepted");
  RemoteAccessFlow(controller_).PlayOpen();
}

// The message's time stamp becomes the walk's position, so that "2" in the
// message menu goes on to the next older message.
void ForwardCallFlow::AutoAnswered() {
  IVRCMain &c = controller_;
  c.CallLog().Log("Message forward call answered");
  ProfileWriteBool(c.Folders().SettingsFile(), "state", "newmessages", false);
  const std::string record = FirstUnread(c.Mailbox());
  if (record.empty()) {
    Trace("IVRCMain::ForwardAutoAnswered() - no unread messages");
    c.Line().Drop();
    return;
  }
  c.SetMessage(record);
  c.SetMessagePosition(
      MessageTimeStamp::Read(record, ShortDateOrder(c.Folders().SettingsFile())).Instant());
  c.SetState(IVRCMain::CS_FORWARDPLAY);
  c.PlaySource(LWaveFile::OpenSource(LMailBox::AudioPath(record)));
  LMailBoxMessage::SetFlag(record, "read", true);
  c.Post(WM_UPDATEREADMARK, 0, 0, record);
}
