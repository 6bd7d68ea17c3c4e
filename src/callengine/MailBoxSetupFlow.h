#pragma once

class IVRCMain;

// The mailbox set-up menu of remote access: hear the greeting ("1"), record
// a new one ("2"), end the call ("9") or enter another code ("*").
class MailBoxSetupFlow {
 public:
  explicit MailBoxSetupFlow(IVRCMain &controller) : controller_(controller) {}
  MailBoxSetupFlow(const MailBoxSetupFlow &) = delete;
  MailBoxSetupFlow &operator=(const MailBoxSetupFlow &) = delete;

  void Press(char key);

 private:
  void RecordGreeting();

  IVRCMain &controller_;
};
