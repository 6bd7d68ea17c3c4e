#pragma once
#include <ctime>

struct DeliveryContext;

// Deletes messages, read or not, older than [settings] "deletefiledays"
// (0 keeps them for ever), telling the main window and the system log of
// each. Messages not yet delivered as their mailbox asks are kept. A day
// counts as 202 units of 2^32 x 100 ns (about 24 h 6 min), as stored
// programs expect. The caller makes sure the clock can be trusted.
void DeleteFilesCheck(DeliveryContext& context, std::time_t now);
