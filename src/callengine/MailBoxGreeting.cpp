#include "callengine/MailBoxGreeting.h"

#include "audio/LWaveFile.h"
#include "callengine/IVRCMain.h"
#include "mail/LMailBox.h"

void MailBoxGreeting::Play(IVRCMain &controller, const std::string &mailBoxPath) {
  LSoundSourceRef greeting = LWaveFile::OpenSource(LMailBox::GreetingPath(mailBoxPath));
  if (greeting->IsError()) {
    controller.PlaySystemPrompt("LeaveMessage");
    return;
  }
  controller.PlaySource(std::move(greeting));
}
