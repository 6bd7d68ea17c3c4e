#include "callengine/LeaveMessageFlow.h"

#include <cstdint>
#include <string>
#include <utility>

#include "audio/LWaveFile.h"
#include "callengine/RecordingDisk.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxSettings.h"
#include "mail/LMessageArrival.h"

IVRCMain::Recording LeaveMessageFlow::VoiceRecording(const IVRCMain &controller,
                                                     std::string file) {
  const int maxMs = ProfileReadDuration(controller.Folders().SettingsFile(), "settings",
                                        "maxrectime", kDefaultMaxRecordMs);
  return {std::move(file), maxMs, kSilenceMs, true, false};
}

void LeaveMessageFlow::StartNewMessage() {
  IVRCMain &c = controller_;
  c.SetState(IVRCMain::CS_MBXRECORD);
  const std::string &settings = c.Folders().SettingsFile();
  const LCallIdentity &call = c.CallIdentity();
  const std::string record = c.Mailbox().empty()
                                 ? std::string()
                                 : LMessageArrival::Start(settings, c.Mailbox(),
                                                          c.Parameters().Pairs(),
                                                          call.callerNumber, call.callerName);
  if (record.empty()) {
    // The caller cannot be helped now; the owner must hear of it.
    c.SystemLog().LogError("A message could not be taken: its files cannot be written beside " +
                           (c.Mailbox().empty() ? std::string("(no mailbox)") : c.Mailbox()));
    c.GoodBye();
    return;
  }
  c.SetMessage(record);
  c.SetUpRecording(VoiceRecording(c, LMailBox::NewAudioPath(record)));
  c.RecordStart();
  // With call screening the main window lets the user listen in.
  const bool screen = LMailBoxSettings::Read(c.Mailbox()).callScreen;
  c.Post(WM_UPDATEMESSAGE, screen ? 1 : 0, 0, record);
}

// What a disk that refused the rest let through is kept however short.
void LeaveMessageFlow::MailBoxRecordComplete() {
  if (controller_.Message().empty()) return;
  const int failure = controller_.RecordFailure();
  const int64_t ms = RecordedMs();
  if (failure != 0 && ms < 0) {
    Discard("Recorded message discarded because " + recording_disk::FailureReason(failure));
  } else if (failure == 0 && ms <= LMessageArrival::kShortestKeptMs) {
    Discard("Recorded message discarded because it was too short");
  } else {
    Keep();
  }
  ProfileFlush(controller_.Message());
  controller_.SetMessage({});
}

int64_t LeaveMessageFlow::RecordedMs() const {
  const LSoundSourceRef audio = LWaveFile::OpenSource(controller_.RecordingSettings().file);
  const int64_t frames = audio->IsError() ? 0 : audio->GetEndSample();
  const int64_t rate = audio->SampleRate();
  return rate <= 0 || frames <= 0 ? -1 : frames * 1000 / rate;
}

// The file is gone, so it is not levelled either.
void LeaveMessageFlow::Discard(const std::string &why) {
  IVRCMain &c = controller_;
  c.CallLog().Log(why);
  LMailBoxMessage::Delete(c.Message());
  c.Post(WM_DELMESSAGE, 0, 0, c.Message());
  c.ClearRecordFile();
}

void LeaveMessageFlow::Keep() {
  IVRCMain &c = controller_;
  const LMessageArrival::Notice notice =
      LMessageArrival::Arrived(c.Folders().SettingsFile(), c.Mailbox());
  if (notice.newMessage) c.Post(WM_NEWMESSAGE, notice.beep ? 1 : 0, 0);
  c.Post(WM_WAKEBGTASK, 0, 0);
  c.Post(WM_RUNSCHEDULER, 0, 0);
}
