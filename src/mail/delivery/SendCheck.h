#pragma once
#include <ctime>
#include <string>
#include "mail/delivery/DeliveryResult.h"

class LFileTransferProtocol;
struct DeliveryContext;

// One delivery round over every mailbox with unsent messages: each message
// goes out by e-mail, FTP and to a folder as its mailbox asks, each method's
// flag written once that method succeeded. A method that fails for one
// message of a mailbox is not tried again for its other messages in this
// round (a server that is down fails them all alike): the failure is logged
// once, every message it held back records it, and the next round retries.
class SendCheck {
 public:
  SendCheck(DeliveryContext& context, LFileTransferProtocol& ftp, std::time_t now)
      : context_(context), ftp_(ftp), now_(now) {}
  void Run();

  // How long a failed delivery waits at most: the task's hourly round.
  static constexpr std::time_t kRetrySeconds = 3600;

 private:
  enum Method { kEmail, kFtp, kFolder, kMethods };
  struct MailBoxRound;
  void MailBox(const std::string& mailBoxPath);
  void Message(MailBoxRound& round, const std::string& recordPath);
  DeliveryResult Deliver(Method method, const std::string& mailBoxPath,
                         const std::string& recordPath);

  DeliveryContext& context_;
  LFileTransferProtocol& ftp_;
  const std::time_t now_;
};
