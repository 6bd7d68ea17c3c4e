#pragma once
#include <ctime>

class LFileTransferProtocol;
struct DeliveryContext;

// The remote update check: when [remote] "nextcheck" is due, looks for
// "zav<installid>.ivr" on the update FTP server or in the update folder and,
// when its time stamp differs from the one last loaded ("filedate"), hands
// it to the main window to load; the stamp is kept only once the main window
// took the file. A server file whose time cannot be read is left alone.
// "autocheck" schedules the next check.
void AutoLoadCheck(DeliveryContext& context, LFileTransferProtocol& ftp, std::time_t now);
