#pragma once

#include "callengine/AccessCodeGuard.h"
#include "callengine/IVRCVoiceMail.h"

// The voice-mail dialogues of every line. Each operation works on the
// controller it is given, so one instance serves all controllers; it keeps
// only the wrong access codes, which count across lines.
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

 private:
  AccessCodeGuard accessCodeGuard_;
};
