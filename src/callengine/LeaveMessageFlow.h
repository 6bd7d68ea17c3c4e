#pragma once

#include <string>

#include "callengine/IVRCMain.h"

// A caller leaving a message in the controller's mailbox: the message is
// created when "RecordTone" ends and kept or discarded when the recording
// is finished.
class LeaveMessageFlow {
 public:
  static constexpr int kDefaultMaxRecordMs = 30000;
  static constexpr int kSilenceMs = 5000;

  explicit LeaveMessageFlow(IVRCMain &controller) : controller_(controller) {}
  LeaveMessageFlow(const LeaveMessageFlow &) = delete;
  LeaveMessageFlow &operator=(const LeaveMessageFlow &) = delete;

  // A message or greeting recording into `file`: at most [settings]
  // "maxrectime", ended by 5 s of silence, levelled afterwards.
  static IVRCMain::Recording VoiceRecording(const IVRCMain &controller, std::string file);

  // Takes the next message number, writes the call into the record and
  // records the caller into its audio.
  void StartNewMessage();
  // Keeps the current message (the main window and the delivery task are
  // told) or discards it when it is too short (or, after a disk refused the
  // recording, holds no audio at all).
  void MailBoxRecordComplete();

 private:
  // The recorded audio's length, -1 when it holds none.
  int64_t RecordedMs() const;
  void Discard(const std::string &why);
  void Keep();

  IVRCMain &controller_;
};
