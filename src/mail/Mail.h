#pragma once

// The mail subsystem's public face: mailboxes and their messages as files of
// the mailbox folder, their settings, message numbering and arrival, and
// their delivery by e-mail, FTP and folder copy.
#include "mail/InterruptedMessages.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/LMailBoxNames.h"
#include "mail/LMailBoxSettings.h"
#include "mail/LMessageArrival.h"
#include "mail/LMessageNumber.h"
#include "mail/delivery/BGTask.h"
#include "mail/delivery/DeliveryState.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/EmailSettings.h"
#include "mail/smtp/MailCommand.h"
#include "mail/transfer/FtpMessageUpload.h"
#include "mail/transfer/FtpServerPrune.h"
#include "mail/transfer/LFileTransferProtocol.h"
#include "mail/transfer/MailBoxIndexPage.h"
#include "mail/transfer/WebName.h"
