#pragma once

class IVRCMain;

// The voice-mail dialogues as the call controller calls them: leaving a
// message, remote access with an access code, and the message-forwarding
// call. Each operation works on the controller's mailbox, message and
// recording fields and issues its own line operations.
class IVRCVoiceMail {
 public:
  IVRCVoiceMail() = default;
  virtual ~IVRCVoiceMail() = default;
  IVRCVoiceMail(const IVRCVoiceMail &) = delete;
  IVRCVoiceMail &operator=(const IVRCVoiceMail &) = delete;

  // "RecordTone" has ended and nothing is being recorded: creates the next
  // message of the current mailbox and records the caller into it.
  virtual void StartNewMessage(IVRCMain &controller) = 0;
  // Saves the message being left, or discards it when it is too short.
  virtual void MailBoxRecordComplete(IVRCMain &controller) = 0;
  // A key while an access code is collected (opening or moving).
  virtual void CodeEntry(IVRCMain &controller, char key) = 0;
  // A key during or after a message in remote access.
  virtual void MessageMenu(IVRCMain &controller, char key) = 0;
  // A key in the mailbox set-up menu.
  virtual void SetupMenu(IVRCMain &controller, char key) = 0;
  // Plays the next older message, or "NoMoreMessagesMenu".
  virtual void MailBoxMessagePlayNext(IVRCMain &controller) = 0;
  // Plays the current message again.
  virtual void MailBoxMessagePlay(IVRCMain &controller) = 0;
  // The owner accepted a forwarding call: remote access without a code.
  virtual void ForwardAccepted(IVRCMain &controller) = 0;
  // Answer detection heard the forwarding call answered: plays the first
  // unread message.
  virtual void ForwardAutoAnswered(IVRCMain &controller) = 0;
};
