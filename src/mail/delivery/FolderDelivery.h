#pragma once
#include <string>

#include "mail/delivery/DeliveryResult.h"

struct DeliveryContext;

// Copies a message's audio, once it is levelled, into the mailbox's
// "sendfolder" under the record's title, replacing a file of that name.
// Failures are logged; a task stopped while waiting for the levelling
// leaves the message unsent without an error.
DeliveryResult SendToFolder(DeliveryContext& context, const std::string& mailBoxPath,
                            const std::string& recordPath);
