#pragma once

class IVRCMain;

// The call that tells a mailbox's owner of new messages, once it is
// answered: by the owner's key (remote access without a code) or, with
// "autoplay", by answer detection (the first unread message plays).
class ForwardCallFlow {
 public:
  explicit ForwardCallFlow(IVRCMain &controller) : controller_(controller) {}
  ForwardCallFlow(const ForwardCallFlow &) = delete;
  ForwardCallFlow &operator=(const ForwardCallFlow &) = delete;

  void Accepted();
  void AutoAnswered();

 private:
  IVRCMain &controller_;
};
