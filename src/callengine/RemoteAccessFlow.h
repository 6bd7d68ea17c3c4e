#pragma once

#include <cstdint>
#include <limits>

class IVRCMain;

// Remote access to the controller's mailbox: its messages are offered newest
// first, each followed by "MailBoxMessageMenu", whose keys replay, skip,
// move, delete, open the set-up menu, end the call or ask for another
// mailbox's code.
class RemoteAccessFlow {
 public:
  // The position before the newest message: every time stamp is below it.
  static constexpr int64_t kBeforeNewest = std::numeric_limits<int64_t>::max();
  // How long "3" waits for the code of the mailbox to move a message to.
  static constexpr int32_t kMoveCodeWaitMs = 5000;

  explicit RemoteAccessFlow(IVRCMain &controller) : controller_(controller) {}
  RemoteAccessFlow(const RemoteAccessFlow &) = delete;
  RemoteAccessFlow &operator=(const RemoteAccessFlow &) = delete;

  // The mailbox has just been opened: its messages are no longer new to the
  // main window, and the newest one plays.
  void PlayOpen();
  // The newest message older than the current one, or "NoMoreMessagesMenu".
  void PlayNext();
  // The current message (announced with its time when the mailbox asks for
  // it), or "NoMoreMessagesMenu" when there is none. It is marked read.
  void Play();
  void MessageMenu(char key);
  // Back to code entry for another mailbox.
  void AskForAccessCode();

 private:
  void Delete();
  void StartMoveCode();
  void PlayMessageAudio();

  IVRCMain &controller_;
};
