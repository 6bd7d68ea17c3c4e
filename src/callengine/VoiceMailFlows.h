#pragma once

#include "callengine/IVRCVoiceMail.h"

// The voice-mail dialogues of every line. It keeps nothing itself: each
// operation works on the controller it is given, so one instance serves
// all controllers.
class VoiceMailFlows final : public IVRCVoiceMail {
 public:
  void StartNewMessage(IVRCMain &controller) override;
  void MailBoxRecordComplete(IVRCMain &controller) override;
  void CodeEntry(IVRCMain &controller, char key) override;
  void MessageMenu(IVRCMain &controller, char key) override;
  void SetupMenu(IVRCMain &controller, char key) override;
  void MailBoxMessagePlayNext(IVRCMain &controller) override;
  void MailBoxMessagePlay(IVRCMain &controller) override;
  void ForwardAccepted(IVRCMain &controller) override;
  void ForwardAutoAnswered(IVRCMain &controller) override;
};
