#include "callengine/MailBoxSetupFlow.h"

#include "callengine/IVRCMain.h"
#include "callengine/LeaveMessageFlow.h"
#include "callengine/MailBoxGreeting.h"
#include "callengine/RemoteAccessFlow.h"
#include "mail/LMailBox.h"

void MailBoxSetupFlow::Press(char key) {
  IVRCMain &c = controller_;
  // A key ends a greeting being recorded before it acts; one whose tone is
  // still playing is not recorded at all.
  if (c.State() == IVRCMain::CS_MBXSETUPRECORD && !c.RecordingSettings().file.empty()) {
    const bool recording = c.Line().IsRecording();
    c.Line().Stop();
    if (recording) {
      c.RecordComplete();
    } else {
      c.ClearRecordFile();
    }
  }
  switch (key) {
    case '1':
      c.SetState(IVRCMain::CS_MBXSETUPPLAY);
      MailBoxGreeting::Play(c, c.Mailbox());
      return;
    case '2':
      RecordGreeting();
      return;
    case '9':
      c.GoodBye();
      return;
    case '*':
      RemoteAccessFlow(c).AskForAccessCode();
      return;
    default:
      c.SetState(IVRCMain::CS_MBXSETUP);
      c.PlaySystemPrompt("MailBoxSetup");
  }
}

// "RecordTone" first; its end starts the recording, whose time-out or
// silence ends the call.
void MailBoxSetupFlow::RecordGreeting() {
  IVRCMain &c = controller_;
  c.SetState(IVRCMain::CS_MBXSETUPRECORD);
  c.SetUpRecording(LeaveMessageFlow::VoiceRecording(c, LMailBox::GreetingPath(c.Mailbox())));
  c.PlaySystemPrompt("RecordTone");
}
