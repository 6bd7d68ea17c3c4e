#pragma once

#include <string>

class AccessCodeGuard;
class IVRCMain;

// The digits a remote caller keys as an access code: to open a mailbox
// ("EnterAccessCode") or to name the mailbox a message moves to (after "3"
// in the message menu). Only mailboxes with remote access and a code take
// part, and the whole code must be keyed. Wrong codes to open a mailbox
// count against the call and the caller's number (see AccessCodeGuard).
class AccessCodeEntry {
 public:
  AccessCodeEntry(IVRCMain &controller, AccessCodeGuard &guard)
      : controller_(controller), guard_(guard) {}
  AccessCodeEntry(const AccessCodeEntry &) = delete;
  AccessCodeEntry &operator=(const AccessCodeEntry &) = delete;

  void Press(char key);

 private:
  void OpenMailBox();
  // A wrong code, or any code from a locked-out number: refused, and the
  // call ends once too many were keyed.
  void Refuse(bool locked);
  void MoveMessage();
  // The first mailbox, in directory order, with remote access whose code
  // equals the digits; "" when none does.
  std::string MailBoxOfCode() const;

  IVRCMain &controller_;
  AccessCodeGuard &guard_;
};
