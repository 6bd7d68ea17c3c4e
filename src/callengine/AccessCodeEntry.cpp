#include "callengine/AccessCodeEntry.h"

#include "callengine/AccessCodeGuard.h"
#include "callengine/IVRCMain.h"
#include "callengine/RemoteAccessFlow.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "core/TextFormat.h"
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

// A locked-out number is refused before its code is compared, so a right
// guess tells it nothing.
void AccessCodeEntry::OpenMailBox() {
  IVRCMain &c = controller_;
  const std::string &number = c.CallIdentity().callerNumber;
  const bool locked = guard_.IsLocked(number, c.Clock().TickCount());
  const std::string mailbox = locked ? std::string() : MailBoxOfCode();
  if (mailbox.empty()) {
    Refuse(locked);
    return;
  }
  if (!c.Mailbox().empty()) ProfileFlush(c.Mailbox());
  c.SetMailbox(mailbox);
  c.CallLog().Log("Caller opened mailbox: ", LMailBox::MailBoxName(mailbox));
  RemoteAccessFlow(c).PlayOpen();
}

// Below the call's limit a wrong code may be keyed again: the prompt's end
// starts a new wait. At the limit the prompt's end hangs up.
void AccessCodeEntry::Refuse(bool locked) {
  IVRCMain &c = controller_;
  const std::string &number = c.CallIdentity().callerNumber;
  c.DigitEntry().Clear();
  bool hangUp = locked;
  if (locked) {
    c.SystemLog().Log("Mailbox access refused: too many wrong access codes from ", number);
  } else {
    c.SystemLog().Log("Wrong mailbox access code from ", number);
    if (guard_.Wrong(number, c.Clock().TickCount())) {
      c.SystemLog().LogError(TextFormat(
          "Mailbox access from %s locked for %d minutes after %d wrong access codes",
          number.c_str(), static_cast<int>(AccessCodeGuard::kLockMs / 60000),
          AccessCodeGuard::kWrongPerNumber));
      hangUp = true;
    }
  }
  if (c.CountWrongAccessCode() >= AccessCodeGuard::kWrongPerCall || hangUp) {
    c.SetState(IVRCMain::CS_GOODBYE);
  }
  c.PlaySystemPrompt("InvalidAccessCode");
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
