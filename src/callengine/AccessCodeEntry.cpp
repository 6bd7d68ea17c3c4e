#include "callengine/AccessCodeEntry.h"

#include "callengine/IVRCMain.h"
#include "callengine/RemoteAccessFlow.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxSettings.h"

void AccessCodeEntry::Press(char key) {
  const bool moving = controller_.State() == IVRCMain::CS_MSGMOVECODE;
  if (key == '#') {
    if (moving) {
      MoveMessage();
    } else {
      OpenMailBox();
    }
  } else if (key == '*') {
    // Code entry starts again; a move is abandoned for the message.
    if (moving) {
      RemoteAccessFlow(controller_).Play();
    } else {
      controller_.DigitEntry().Clear();
    }
  } else {
    controller_.DigitEntry().Append(key);
  }
}

// A wrong code may be keyed again: the prompt's end starts a new wait.
void AccessCodeEntry::OpenMailBox() {
  IVRCMain &c = controller_;
  const std::string mailbox = MailBoxOfCode();
  if (mailbox.empty()) {
    c.DigitEntry().Clear();
    c.PlaySystemPrompt("InvalidAccessCode");
    return;
  }
  if (!c.Mailbox().empty()) ProfileFlush(c.Mailbox());
  c.SetMailbox(mailbox);
  c.CallLog().Log("Caller opened mailbox: ", LMailBox::MailBoxName(mailbox));
  RemoteAccessFlow(c).PlayOpen();
}

// Found or not, the next message follows.
void AccessCodeEntry::MoveMessage() {
  IVRCMain &c = controller_;
  const std::string target = MailBoxOfCode();
  std::string record = c.Message();
  const std::string oldRecord = record;
  if (!target.empty() && !record.empty() &&
      LMailBoxMessage::MoveMailBox(record, c.Mailbox(), target)) {
    c.SystemLog().Log("Mailbox message transfered to another voice mail box by remote caller");
    c.Post(WM_DELMESSAGE, 0, 0, oldRecord);
    c.Post(WM_UPDATEMESSAGE, 0, 0, record);
    c.Post(WM_NEWMESSAGE, 0, 0);
    c.Post(WM_WAKEBGTASK, 0, 0);
    c.Post(WM_RUNSCHEDULER, 0, 0);
    c.SetMessage(record);
  }
  RemoteAccessFlow(c).PlayNext();
}

// An empty code never matches: "#" alone opens nothing.
std::string AccessCodeEntry::MailBoxOfCode() const {
  const std::string &digits = controller_.Digits();
  if (digits.empty()) return {};
  for (LMailBoxIterator it(controller_.Folders().MailBoxes()); it.IsValid(); it.Next()) {
    const std::string mailbox = it.GetMailBox();
    const LMailBoxSettings settings = LMailBoxSettings::Read(mailbox);
    if (settings.remoteAccess && settings.accessCode == digits) return mailbox;
  }
  return {};
}
