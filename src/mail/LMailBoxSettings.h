#pragma once

#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// The settings of one mailbox, section "mbx" of its file, with their
// defaults. MailBoxKeys names the key of every member, so the console and the
// delivery task read and write them alike.
struct LMailBoxSettings {
  bool callScreen = false;
  bool beep = false;
  bool remoteAccess = false;
  std::string accessCode;
  bool remoteAccessTime = false;
  bool sendEmail = false;
  std::string emailAddress;
  bool sendEmailAudio = true;
  bool sendEmailDelete = false;
  bool speechToText = false;
  int speechToTextEngine = 0;
  std::string speechToTextSpeaker;
  bool sendFtp = false;
  std::string ftpServer;
  std::string ftpUser;
  std::string ftpPass;
  std::string ftpDir;
  bool sendToFolder = false;
  std::string sendFolder;
  bool forwardTel = false;
  std::string forwardNumber;
  int maxForwardAttempts = 2;
  int forwardFailWaitMins = 20;
  bool autoPlay = false;
  // How often a forwarding call offers the messages before it gives up.
  int forwardRepeat = 5;
  // State kept by the store and the delivery task.
  bool unsentMessages = false;
  int forwardAttempts = 0;
  std::time_t forwardAttemptTime = 0;  // wall-clock seconds of the last forwarding call

  // Every key as stored, missing ones at their defaults.
  static LMailBoxSettings Read(const std::string& mailBoxPath);
  // Writes every key in one update of the file.
  bool Write(const std::string& mailBoxPath) const;
  // Writes every key but the state ones in one update: the store and the
  // delivery task may change those meanwhile.
  bool WriteChoices(const std::string& mailBoxPath) const;

  // Whether a delivered message is deleted: it is e-mailed with its audio
  // and then removed.
  bool DeletedByEmail() const { return sendEmail && sendEmailAudio && sendEmailDelete; }

 private:
  bool WriteKeys(const std::string& mailBoxPath, bool withState) const;
};

struct LMailBoxKey {
  using Member = std::variant<bool LMailBoxSettings::*, int LMailBoxSettings::*,
                              std::time_t LMailBoxSettings::*, std::string LMailBoxSettings::*>;
  std::string_view name;
  // The type is the member's; the default is its value in LMailBoxSettings{}.
  Member member;
  // Kept by the store and the delivery task, not chosen by the user.
  bool state = false;
};

// Every key of section "mbx", in the order of the members.
std::span<const LMailBoxKey> MailBoxKeys();
