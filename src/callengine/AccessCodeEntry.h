#pragma once

#include <string>

class IVRCMain;

// The digits a remote caller keys as an access code: to open a mailbox
// ("EnterAccessCode") or to name the mailbox a message moves to (after "3"
// in the message menu). Only mailboxes with remote access and a code take
// part, and the whole code must be keyed.
class AccessCodeEntry {
 public:
  explicit AccessCodeEntry(IVRCMain &controller) : controller_(controller) {}
  AccessCodeEntry(const AccessCodeEntry &) = delete;
  AccessCodeEntry &operator=(const AccessCodeEntry &) = delete;

  void Press(char key);

 private:
  void OpenMailBox();
  void MoveMessage();
  // The first mailbox, in directory order, with remote access whose code
  // equals the digits; "" when none does.
  std::string MailBoxOfCode() const;

  IVRCMain &controller_;
};
