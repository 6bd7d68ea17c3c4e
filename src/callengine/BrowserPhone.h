#pragma once

#include <memory>

#include "callengine/IVRCMain.h"
#include "telephony/line/LCallSimulator.h"
#include "telephony/wave/LWaveNetworkLink.h"

class IVRCServices;
class OGMCommands;
class VoiceMailFlows;

// What every browser phone's call controller is given.
struct BrowserPhoneServices {
  MainLoop &loop;
  const LClock &clock;
  const DataFolders &folders;
  LogFile &log;
  OGMCommands *commands;
  VoiceMailFlows *voiceMail;
  IVRCServices *services;
  // Where its messages are announced, as a line's are; null for none.
  IVRCMainWindow *mainWindow;
};

// One call from a browser page: the simulator line on network wave devices
// with a fresh call controller attached, as the simulate command makes them.
// Lives on the main loop.
class BrowserPhone {
 public:
  // `lineIndex` names the controller's call file; no two phones share one.
  BrowserPhone(const BrowserPhoneServices &with, uint8_t lineIndex);

  LCallSimulator &Line() { return line_; }
  const std::shared_ptr<LWaveNetworkLink> &Link() const { return link_; }
  uint8_t LineIndex() const { return controller_.LineIndex(); }
  const std::string &CallFile() const { return controller_.MostRecentCallFile(); }

 private:
  const std::shared_ptr<LWaveNetworkLink> link_;
  LCallSimulator line_;
  IVRCMain controller_;
};
