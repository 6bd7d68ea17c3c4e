#pragma once

#include <string>
#include <string_view>

// A voice mailbox: the INI file "<name>.mbx" in the mailbox folder (section
// "mbx"), its greeting "<name> OGM.wav" and its messages "<name> ICM<id>.ini"
// with their audio "<name> ICM<id>.wav". Paths are at most 259 characters;
// the pure path helpers cut longer results, MailBoxPath refuses names whose
// files would not fit.
class LMailBox {
 public:
  static constexpr std::string_view kSection = "mbx";
  static constexpr std::string_view kExtension = ".mbx";
  static constexpr std::string_view kMessageMark = " ICM";
  static constexpr std::string_view kGreetingSuffix = " OGM.wav";

  // The mailbox file of `name` in `folder`, matched without case; "" for a
  // name that is empty, holds "/", "\" or "..", or is too long for the
  // names of its message files.
  static std::string MailBoxPath(std::string_view folder, std::string_view name);
  // The title of a mailbox file.
  static std::string MailBoxName(std::string_view mailBoxPath);
  // The owner of a message record: its title up to the last " ICM".
  static std::string MailBoxNameOfMessage(std::string_view recordPath);
  // The text after the last " ICM" of a record's title (the six digits).
  static std::string MessageId(std::string_view recordPath);

  // Folder + name + " OGM.wav", matched without case.
  static std::string GreetingPath(std::string_view mailBoxPath);
  // The mailbox path with its extension replaced by " ICM" + id + ".ini"; ""
  // for an id that is empty or holds "/", "\" or "..".
  static std::string MessagePath(std::string_view mailBoxPath, std::string_view id);
  // The record path with the extension ".wav", matched without case.
  static std::string AudioPath(std::string_view recordPath);
  // The audio path of a record that was just taken: no file of its number
  // exists in any case, so it needs no look through the folder.
  static std::string NewAudioPath(std::string_view recordPath);

  // Deletes every message, the greeting and the mailbox file. Missing files
  // are no error; always true.
  static bool Delete(const std::string& mailBoxPath);
  // Renames the mailbox `oldName` in `folder` to `newName`, moving its
  // messages (which become unread and undelivered) and its greeting. False
  // when the names are equal without case, either name is refused, the old
  // mailbox is missing or the new one exists. When a message cannot be
  // moved, the old mailbox file stays for the messages left behind and the
  // result is false.
  static bool Rename(std::string_view folder, std::string_view oldName, std::string_view newName);

  // Records that the mailbox has messages waiting for delivery: "unsentmessages"
  // becomes true and, when it forwards by telephone, the forwarding attempts
  // start again from none.
  static bool MarkUnsent(const std::string& mailBoxPath);

 private:
  static bool MoveMessages(const std::string& oldPath, const std::string& newPath);
  static void MoveGreeting(const std::string& oldPath, const std::string& newPath);
};
