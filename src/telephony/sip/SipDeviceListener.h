#pragma once

#include <memory>

class SipCall;

// Receives the calls offered to a SIP device (the line set-up, which hands
// each to the first idle line of the device). Loop thread.
class SipDeviceListener {
 public:
  virtual ~SipDeviceListener() = default;
  // An INVITE arrived and was answered with 180 Ringing. A line adopts the
  // call by keeping it (and setting itself as the call's listener); a call
  // not kept is refused with 486 Busy Here when it is destroyed.
  virtual void OnIncomingCall(std::unique_ptr<SipCall> call) = 0;
};
