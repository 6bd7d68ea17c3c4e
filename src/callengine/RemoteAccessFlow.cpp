#include "callengine/RemoteAccessFlow.h"

#include <string>

#include "audio/LPromptList.h"
#include "audio/LWaveFile.h"
#include "callengine/CallDateTime.h"
#include "callengine/IVRCMain.h"
#include "callengine/MessageTimeStamp.h"
#include "callengine/SpokenNumbers.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/LMailBoxSettings.h"

namespace {

constexpr int kAnnouncementRate = 8000;

}  // namespace

void RemoteAccessFlow::PlayOpen() {
  ProfileWriteBool(controller_.Folders().SettingsFile(), "state", "newmessages", false);
  controller_.SetMessagePosition(kBeforeNewest);
  PlayNext();
}

// Messages with equal time stamps are offered once; undated ones never.
void RemoteAccessFlow::PlayNext() {
  IVRCMain &c = controller_;
  if (!c.Message().empty()) ProfileFlush(c.Message());
  c.SetMessage({});
  const int dateOrder = ShortDateOrder(c.Folders().SettingsFile());
  int64_t keptStamp = 0;
  std::string kept;
  for (LMailBoxMessageIterator it(c.Mailbox()); it.IsValid(); it.Next()) {
    const std::string record = it.GetMailBoxMessage();
    const int64_t stamp = MessageTimeStamp::Read(record, dateOrder).Instant();
    if (stamp > keptStamp && stamp < c.MessagePosition()) {
      keptStamp = stamp;
      kept = record;
    }
  }
  c.SetMessagePosition(keptStamp);
  c.SetMessage(kept);
  Play();
}

void RemoteAccessFlow::Play() {
  IVRCMain &c = controller_;
  if (c.Message().empty()) {
    c.SetState(IVRCMain::CS_NOMOREMSGS);
    c.PlaySystemPrompt("NoMoreMessagesMenu");
    return;
  }
  c.SetState(IVRCMain::CS_MSGPLAY);
  c.CallLog().Log("Playing mailbox message: ", PathStripExtension(c.Message()));
  PlayMessageAudio();
  LMailBoxMessage::SetFlag(c.Message(), "read", true);
  c.Post(WM_UPDATEREADMARK, 0, 0, c.Message());
}

// A message of today or yesterday is announced ("10" "5" "PM" "Today")
// when the mailbox asks for it; older ones play without.
void RemoteAccessFlow::PlayMessageAudio() {
  IVRCMain &c = controller_;
  const std::string audio = LMailBox::AudioPath(c.Message());
  if (!LMailBoxSettings::Read(c.Mailbox()).remoteAccessTime) {
    c.PlaySource(LWaveFile::OpenSource(audio));
    return;
  }
  const MessageTimeStamp stamp =
      MessageTimeStamp::Read(c.Message(), ShortDateOrder(c.Folders().SettingsFile()));
  const int days = stamp.DaysBefore(c.Clock().Now());
  LPromptList list(c.Folders().SystemPrompts());
  if (days == 0 || days == 1) SpeakMessageTime(list, stamp.SecondsOfDay(), days == 0);
  list.AddFile(audio);
  c.PlaySource(list.OpenSource(kAnnouncementRate, 1));
}

void RemoteAccessFlow::MessageMenu(char key) {
  switch (key) {
    case '1':
      Play();
      return;
    case '2':
      PlayNext();
      return;
    case '3':
      StartMoveCode();
      return;
    case '5':
      Delete();
      return;
    case '8':
      controller_.SetState(IVRCMain::CS_MBXSETUP);
      controller_.PlaySystemPrompt("MailBoxSetup");
      return;
    case '9':
      controller_.GoodBye();
      return;
    case '*':
      AskForAccessCode();
      return;
    default:
      return;
  }
}

void RemoteAccessFlow::AskForAccessCode() {
  controller_.SetState(IVRCMain::CS_ACCESSCODE);
  controller_.DigitEntry().Clear();
  controller_.PlaySystemPrompt("EnterAccessCode");
}

// After the last message the code is still taken; it moves nothing.
void RemoteAccessFlow::StartMoveCode() {
  controller_.SetState(IVRCMain::CS_MSGMOVECODE);
  controller_.DigitEntry().Clear();
  controller_.Line().Wait(0, 0, kMoveCodeWaitMs);
}

void RemoteAccessFlow::Delete() {
  IVRCMain &c = controller_;
  c.Line().Stop();
  if (!c.Message().empty()) {
    c.Post(WM_DELMESSAGE, 0, 0, c.Message());
    LMailBoxMessage::Delete(c.Message());
    c.SystemLog().Log("Mailbox message deleted by remote caller: ", PathFileName(c.Message()));
    c.SetMessage({});
  }
  PlayNext();
}
