#pragma once

#include <array>
#include <string>
#include <string_view>

// One recorded message: the record "<mailbox> ICM<id>.ini" (section
// "message") and its audio "<mailbox> ICM<id>.wav".
class LMailBoxMessage {
 public:
  static constexpr std::string_view kSection = "message";
  // The flags that make a message read or delivered; a move removes them.
  static constexpr std::array<std::string_view, 4> kOwnerFlags = {"read", "sentemail", "sentftp",
                                                                  "senttofolder"};

  // Deletes the audio and the record; missing files are no error. Always
  // true.
  static bool Delete(const std::string& recordPath);

  // Moves the message at `recordPath` from one mailbox to another and sets
  // `recordPath` to its new record. The message keeps its number unless the
  // other mailbox has a message of that number; then it takes the next free
  // one. It becomes unread and undelivered (its delivery state goes too), and
  // the other mailbox is marked as having unsent messages. False, with
  // nothing changed, when the two mailboxes are the same, the record does not
  // belong to `fromMailBox`, or the files cannot be moved.
  static bool MoveMailBox(std::string& recordPath, const std::string& fromMailBox,
                          const std::string& toMailBox);

  // Sets `key` of the record's section when the record still exists (a
  // move or delete may have taken it meanwhile; it is never re-created as a
  // stub). Serialised with moves by the record's lock.
  static bool SetFlag(const std::string& recordPath, std::string_view key, bool value);

 private:
  // The record's new path, "" when it could not be moved.
  static std::string MoveFiles(const std::string& record, const std::string& toMailBox,
                               const std::string& suffix);
  static bool ClearOwnerFlags(const std::string& recordPath);
};
