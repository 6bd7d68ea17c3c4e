#pragma once

// The mail subsystem's public face: mailboxes and their messages as files of
// the mailbox folder, their settings, message numbering and arrival.
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
