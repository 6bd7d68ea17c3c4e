#pragma once
#include <string>

struct DeliveryContext;

// Copies a message's audio, as it is now, into the mailbox's "sendfolder"
// under the record's title, replacing a file of that name. The error text
// (also logged) is empty on success.
std::string SendToFolder(DeliveryContext& context, const std::string& mailBoxPath,
                         const std::string& recordPath);
