#pragma once

#include <cstdint>

// Numbers of the messages the main window accepts from workers, from the
// call controllers and from other programs. The numbers are fixed: they are
// shared with other installations and with external controllers.
enum MainMessage : uint32_t {
  WM_USER = 0x400,
  // text = audio file to play as a call announcement.
  WM_PLAYANNOUNCEMENT = WM_USER + 3,
  // text = message INI path; wParam = 1 to screen the call being recorded.
  WM_UPDATEMESSAGE = WM_USER + 4,
  // text = message INI path; refresh its read mark.
  WM_UPDATEREADMARK = WM_USER + 5,
  // text = message INI path; remove its row.
  WM_DELMESSAGE = WM_USER + 6,
  WM_WAKEBGTASK = WM_USER + 7,
  // Runs the outbound/forward scheduler 4500 ms later.
  WM_RUNSCHEDULER = WM_USER + 8,
  // text = caller text for the caller-id pop-up.
  WM_CALLERID = WM_USER + 10,
  // wParam = the mailbox's "beep" flag.
  WM_NEWMESSAGE = WM_USER + 11,
  // lParam = line index, wParam non-zero = in a call.
  WM_IVRCMAIN_LINESTATE = WM_USER + 12,
  // text = IVR program file to load quietly.
  WM_LOADIVRFILEQUIET = WM_USER + 15,
  // Orderly shutdown; the main loop turns SIGTERM and SIGINT into it.
  WM_LSHUTDOWN = WM_USER + 20,
  // text = the second copy's argument, empty to show the window.
  WM_LOADIVRFILE = WM_USER + 21,
  // lParam = mouse message on the tray icon.
  WM_TRAYICON = WM_USER + 22,
  // text = the disk notice for the status (little space, a full disk); empty
  // when a recording starts with enough space.
  WM_DISKNOTICE = WM_USER + 23,
  // The user opened, played, e-mailed or deleted messages: they are no
  // longer new, so the new-message state and its beep end.
  WM_MESSAGESSEEN = WM_USER + 30,
  // The console's New IVR command: the lines are rebuilt around an empty
  // program. Result 0 when done, 1 while a program file loads.
  WM_NEWIVRPROGRAM = WM_USER + 31,
  // text = an IVR program file the console received, loaded as the Load
  // command loads one (not quiet, no window shown). Result 0 when the load
  // started, 1 when it could not.
  WM_CONSOLELOADIVRFILE = WM_USER + 32,
  // The console's settings were closed: with [state] "restart" true the SIP
  // devices and lines are rebuilt 750 ms later. Result 1 when a rebuild was
  // started, else 0.
  WM_SETTINGSCLOSED = WM_USER + 33,
  // wParam = control command; the result is the handler's return value.
  WM_CONTROLCOMMAND = 0x7FFF,
};
