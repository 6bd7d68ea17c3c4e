#pragma once
#include <string>
#include "mail/delivery/DeliveryResult.h"

struct DeliveryContext;

// E-mails one message to its mailbox's address: subject and body from the
// owner's templates, the transcript when the mailbox wants one, the audio in
// the delivery format when the mailbox sends it. A mailbox that deletes what
// it mailed loses the message once the server took it.
DeliveryResult SendEmail(DeliveryContext& context, const std::string& mailBoxPath,
                         const std::string& recordPath);
