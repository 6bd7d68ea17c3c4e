#pragma once

#include <memory>
#include <string>
#include <vector>

struct dnsc;
class LogFile;
class SipDevice;
class LClock;
class LRtpMediaThread;
class SipReaper;

// The SIP devices of the engine, opened from the settings file in section
// order, with the DNS client and the deferred release they share. Created
// and used on the loop thread after the main loop (libre) is set up, and
// destroyed before it; lines and their calls are destroyed first.
//
// An orderly stop: destroy the calls, call PrepareShutdown, let the loop run
// a moment (the BYE, CANCEL and unREGISTER requests go out and are
// answered), then destroy the stack, which drops whatever is still open.
class SipStack {
 public:
  // On a first start without any device, the default direct device on
  // the loopback address is written to the settings first.
  // The calls' media are driven on `clock`'s grid by the stack's media
  // thread.
  SipStack(const std::string& settingsFile, LogFile& log, const LClock& clock);
  ~SipStack();
  SipStack(const SipStack&) = delete;
  SipStack& operator=(const SipStack&) = delete;

  // Devices in their fixed order; one that could not be opened stays in
  // the list (its line name is kept) but Device returns null for it.
  int DeviceCount() const { return static_cast<int>(names_.size()); }
  SipDevice* Device(int device) const;
  // The device's name; empty for an unknown device.
  std::string GetLineName(int device) const;
  // Every SIP device carries voice.
  bool IsVoiceCapable(int device) const { return device >= 0 && device < DeviceCount(); }

  // Unregisters every device.
  void PrepareShutdown();

 private:
  struct dnsc* dns_ = nullptr;
  std::unique_ptr<SipReaper> reaper_;
  std::unique_ptr<LRtpMediaThread> media_;
  std::vector<std::string> names_;
  std::vector<std::unique_ptr<SipDevice>> devices_;
};
