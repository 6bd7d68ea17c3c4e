#pragma once

#include <functional>
#include <memory>
#include <string>

#include "telephony/line/LLine.h"

// A telephone line without a telephone: the sound card (or files) stand in
// for the caller's ear and mouth, the owner's keys for the caller's keypad,
// and one action connects and hangs up. A call controller attached as its
// default handler runs exactly as on a real line. There is no end-of-call
// tone detection, recordings are not trimmed, and no digits are generated.
class LCallSimulator final : public LLine {
 public:
  // Rings asked of the controller when connecting: 0 to 49 in a row.
  static constexpr int kLastRing = 49;
  static constexpr const char *kCallerNumber = "5555555555";
  static constexpr const char *kCallerName = "Simulator";

  // `play` is the caller's earpiece, `record` the caller's microphone.
  LCallSimulator(MainLoop &loop, const LClock &clock, LWaveOutOpener play, LWaveInOpener record);

  // Asks the controller to answer; true when it did and the call started.
  bool ConnectCall();
  // Stops the audio and ends the call; nothing while idle.
  void HangUp();
  // A caller's key; nothing while idle.
  void PressKey(char key);
  bool IsConnected() const { return connected_; }
  // Told of every change between idle and connected.
  void SetStateListener(std::function<void(bool connected)> listener) {
    listener_ = std::move(listener);
  }

  void Dial(const std::string &digits) override;
  void TransferBlind(const std::string &number) override;
  void Drop() override;
  void Beep() override {}
  void FaxHandoff() override {}
  // The simulator cannot place calls.
  bool MakeCall(const std::string &number) override;

 private:
  // A drop asked from inside a notification ends the call once that
  // notification is over, as a real line reports it later.
  void HangUpLater();

  MainLoop &loop_;
  bool connected_ = false;
  std::function<void(bool)> listener_;
  // Gone with the simulator: a hang-up posted before it died is dropped.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
