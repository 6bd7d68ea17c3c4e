#pragma once
#include <ctime>
#include <string>
#include "mail/delivery/DeliveryResult.h"

class LFileTransferProtocol;
struct DeliveryContext;

// One delivery round over every mailbox with unsent messages, each mailbox's
// oldest message first: each message goes out by e-mail, FTP and to a folder
// as its mailbox asks, each method's flag written once that method succeeded. A method that fails for one
// message of a mailbox is not tried again for its other messages in this
// round (a server that is down fails them all alike): the failure is logged
// once, every message it held back records it, and the next round retries.
class SendCheck {
 public:
  // A failed delivery is tried again `retrySeconds` after `now`, as its record tells.
  SendCheck(DeliveryContext& context, LFileTransferProtocol& ftp, std::time_t now,
            std::time_t retrySeconds)
      : context_(context), ftp_(ftp), now_(now), retrySeconds_(retrySeconds) {}
  // Whether a delivery failed.
  bool Run();

  // Whether a method the message's mailbox delivers by has not yet succeeded for it.
  static bool Undelivered(const std::string& recordPath);

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
  const std::time_t retrySeconds_;
  bool failed_ = false;
};
