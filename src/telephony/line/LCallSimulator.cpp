#include "telephony/line/LCallSimulator.h"

#include "core/MainLoop.h"
#include "core/Trace.h"

LCallSimulator::LCallSimulator(MainLoop &loop, const LClock &clock, LWaveOutOpener play,
                               LWaveInOpener record)
    : LLine(loop, clock, true), loop_(loop) {
  SetCallDevices(std::move(play), std::move(record));
  SetCallerId(kCallerNumber, kCallerName, "");
}

bool LCallSimulator::ConnectCall() {
  if (connected_) return true;
  for (int ring = 0; ring <= kLastRing; ++ring) {
    if (!DeliverAnswer(ring)) continue;
    connected_ = true;
    if (listener_) listener_(true);
    StartCall();
    return true;
  }
  return false;
}

void LCallSimulator::HangUp() {
  if (!connected_) return;
  Stop();
  connected_ = false;
  DeliverDisconnect();
  if (listener_) listener_(false);
}

void LCallSimulator::PressKey(char key) {
  if (connected_) DeliverPress(key);
}

void LCallSimulator::Dial(const std::string &) {
  Stop();
  DeliverDialComplete();
}

void LCallSimulator::TransferBlind(const std::string &) { HangUpLater(); }

void LCallSimulator::Drop() { HangUpLater(); }

bool LCallSimulator::MakeCall(const std::string &number) {
  Trace("LCallSimulator::MakeCall cannot place a call to \"%s\"", number.c_str());
  return false;
}

void LCallSimulator::HangUpLater() {
  Stop();
  std::weak_ptr<bool> alive = alive_;
  loop_.Post([this, alive] {
    if (alive.lock()) HangUp();
  });
}
