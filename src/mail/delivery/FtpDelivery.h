#pragma once
#include <string>
#include "mail/delivery/DeliveryResult.h"

class LFileTransferProtocol;
struct DeliveryContext;

// Uploads one message, converted to the delivery format, to its mailbox's
// FTP folder with the mailbox's index page.
DeliveryResult SendFTP(DeliveryContext& context, LFileTransferProtocol& ftp,
                       const std::string& mailBoxPath, const std::string& recordPath);
