#pragma once

#include <string>

class IVRCMain;

// A mailbox's own greeting ("<name> OGM.wav"), or the "LeaveMessage" system
// prompt for a mailbox that has none.
class MailBoxGreeting {
 public:
  MailBoxGreeting() = delete;

  static void Play(IVRCMain &controller, const std::string &mailBoxPath);
};
