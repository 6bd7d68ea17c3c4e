#include "callengine/VoiceMailFlows.h"

#include "callengine/AccessCodeEntry.h"
#include "callengine/ForwardCallFlow.h"
#include "callengine/LeaveMessageFlow.h"
#include "callengine/MailBoxSetupFlow.h"
#include "callengine/RemoteAccessFlow.h"

void VoiceMailFlows::StartNewMessage(IVRCMain &controller) {
  LeaveMessageFlow(controller).StartNewMessage();
}

void VoiceMailFlows::MailBoxRecordComplete(IVRCMain &controller) {
  LeaveMessageFlow(controller).MailBoxRecordComplete();
}

void VoiceMailFlows::CodeEntry(IVRCMain &controller, char key) {
  AccessCodeEntry(controller, accessCodeGuard_).Press(key);
}

void VoiceMailFlows::MessageMenu(IVRCMain &controller, char key) {
  RemoteAccessFlow(controller).MessageMenu(key);
}

void VoiceMailFlows::SetupMenu(IVRCMain &controller, char key) {
  MailBoxSetupFlow(controller).Press(key);
}

void VoiceMailFlows::MailBoxMessagePlayNext(IVRCMain &controller) {
  RemoteAccessFlow(controller).PlayNext();
}

void VoiceMailFlows::MailBoxMessagePlay(IVRCMain &controller) {
  RemoteAccessFlow(controller).Play();
}

void VoiceMailFlows::ForwardAccepted(IVRCMain &controller) {
  ForwardCallFlow(controller).Accepted();
}

void VoiceMailFlows::ForwardAutoAnswered(IVRCMain &controller) {
  ForwardCallFlow(controller).AutoAnswered();
}
