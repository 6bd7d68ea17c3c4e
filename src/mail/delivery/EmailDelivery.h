#pragma once
#include <string>
#include "mail/delivery/DeliveryResult.h"
#include "mail/smtp/EmailSender.h"

class DataFolders;
struct DeliveryContext;

// The e-mail of one message to `to`: the subject from the settings' template,
// the body from "Email Template.txt" (both filled from the record) with
// `transcript` and the footer after it, dated when the call came in, no
// attachment yet.
EmailMessage MessageEmail(const DataFolders& folders, const EmailSettings& settings,
                          const std::string& recordPath, std::string to,
                          const std::string& transcript);

// E-mails one message to its mailbox's address: subject and body from the
// owner's templates, the transcript when the mailbox wants one, the audio in
// the delivery format when the mailbox sends it. A mailbox that deletes what
// it mailed loses the message once the server took it.
DeliveryResult SendEmail(DeliveryContext& context, const std::string& mailBoxPath,
                         const std::string& recordPath);
