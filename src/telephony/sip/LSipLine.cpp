#include "telephony/sip/LSipLine.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/MainLoop.h"
#include "core/Trace.h"
#include "log/LogFile.h"
#include "telephony/rtp/LRtpMedia.h"
#include "telephony/sip/LSipBridge.h"
#include "telephony/sip/LSipConsultation.h"
#include "telephony/sip/SipCall.h"
#include "telephony/sip/SipDevice.h"

namespace {

// Between calls the player and recorder have no device.
LWaveOutOpener NoOutput() {
  return [](const LWavePcmFormat &, LSignalObject &, bool) -> std::unique_ptr<LWaveOutDevice> {
    return nullptr;
  };
}
LWaveInOpener NoInput() {
  return [](const LWavePcmFormat &, LSignalObject &, bool) -> std::unique_ptr<LWaveInDevice> {
    return nullptr;
  };
}

bool IsDtmfKey(char c) { return c != '\0' && std::strchr("0123456789*#ABCD", c) != nullptr; }

// Why a call we placed ended unanswered, in the log's words.
std::string UnansweredText(const SipCallEnd &end) {
  if (end.reason == SipCallEnd::Reason::kRefused)
    return "the far end refused it (SIP " + std::to_string(end.code) + " " + end.detail + ")";
  if (end.code == 408) return "nothing answered the call request in time (SIP time-out)";
  return "the call request failed: " + end.detail;
}

}  // namespace

LSipLine::LSipLine(MainLoop &loop, const LClock &clock, const std::string &settingsFile,
                   SipDevice *device)
    : LLine(loop, clock), loop_(loop), settingsFile_(settingsFile), device_(device) {
  SetSettings(Settings::Read(settingsFile));
  SetCallDevices(NoOutput(), NoInput());
}

LSipLine::~LSipLine() {
  loop_.KillTimers(this);
  Stop();
  consult_.reset();
  bridge_.reset();
  if (media_) media_->Stop();
  media_.reset();
  call_.reset();
}

// --- offered calls and rings -------------------------------------------------

bool LSipLine::Offer(std::unique_ptr<SipCall> &call) {
  if (call_ || dropPending_ || bridge_ || !device_) return false;
  call_ = std::move(call);
  call_->SetListener(this);
  outgoing_ = answering_ = connected_ = false;
  // The 180 Ringing the device sent counts as the first ring.
  AnswerDecision(rings_.Start(Clock().TickCount()));
  if (call_ && !answering_) loop_.SetTimer(this, kRingTimer, kRingIntervalMs);
  return true;
}

void LSipLine::Ring() {
  if (!call_ || answering_ || connected_ || outgoing_) return;
  call_->Ring();
  AnswerDecision(rings_.Next(Clock().TickCount()));
  if (call_ && !answering_) loop_.SetTimer(this, kRingTimer, kRingIntervalMs);
}

void LSipLine::AnswerDecision(int ring) {
  if (!call_ || answering_) return;
  SetCallerId(call_->Caller().number, call_->Caller().name, call_->Did());
  const int32_t drn = LineSettings().drSoftware
                          ? (rings_.LongestIntervalMs() >
                                     static_cast<uint32_t>(LineSettings().drTimeMs)
                                 ? 1
                                 : 0)
                          : call_->RingPattern();
  SetDrn(drn, rings_.LongestIntervalMs());
  if (!DeliverAnswer(ring)) return;
  answering_ = true;
  loop_.KillTimer(this, kRingTimer);
  if (!call_->Answer()) {
    Trace("LSipLine::AnswerDecision answer FAILED");
    EndCall();
  }
}

// --- the connected call ----------------------------------------------------------

void LSipLine::OnCallEstablished() {
  loop_.KillTimer(this, kRingTimer);
  connected_ = true;
  media_ = std::make_unique<LRtpMedia>(loop_, Clock(), &device_->MediaThread(),
                                       call_->RtpSender(), call_->Media());
  media_->onKey = [this](char key) { CallerKey(key, media_->HearsKeysAsEvents()); };
  media_->onTonesDone = [this] { ToneDone(); };
  UseMedia(*media_);
  media_->Start();
  const uint64_t now = Clock().TickCount();
  keyWindow_.IgnoreUntil(now);
  inbandKeyWindow_.IgnoreUntil(now + kIgnoreAfterConnectMs);
  keyPacer_ = LKeyPacer();
  keyFloodLogged_ = false;
  SetEndOfCallReported(false);
  StartCall();
}

void LSipLine::OnCallProgress(uint16_t code) { Trace("LSipLine call progress %u", code); }

void LSipLine::OnCallEnded(const SipCallEnd &end) {
  Trace("LSipLine call ended (%d, %u)", static_cast<int>(end.reason), end.code);
  if (outgoing_ && !connected_) SetPlaceFailure(UnansweredText(end));
  EndCall();
}

void LSipLine::OnInfoDigit(char key, uint32_t) { CallerKey(key, true); }

void LSipLine::CallerKey(char key, bool signalled) {
  if (consult_) {
    Trace("LSipLine key from the held caller ignored");
    return;
  }
  Key(key, signalled);
}

void LSipLine::OnRtpPacket(std::span<const uint8_t> packet) {
  if (media_) media_->OnRtpPacket(packet);
}

void LSipLine::OnMediaChanged() {
  if (media_ && call_) media_->SetDescription(call_->Media());
}

void LSipLine::Key(char key, bool signalled) {
  if (!connected_) return;
  const uint64_t now = Clock().TickCount();
  if (!keyWindow_.Accepts(now) || (!signalled && !inbandKeyWindow_.Accepts(now))) {
    Trace("Ignore DTMF detect because within tone gen buffer");
    return;
  }
  if (!keyPacer_.Accepts(now)) {
    if (!keyFloodLogged_ && device_)
      device_->Log().Log("SIP device " + device_->Settings().name,
                         ": keys come faster than a telephone sends them; the excess is dropped");
    keyFloodLogged_ = true;
    return;
  }
  DeliverPress(key);
}

void LSipLine::IgnoreKeysFor(uint64_t ms) { keyWindow_.IgnoreUntil(Clock().TickCount() + ms); }

void LSipLine::ToneDone() {
  IgnoreKeysFor(kIgnoreAfterDialMs);
  DeliverDialComplete();
}

// --- call operations ---------------------------------------------------------------

void LSipLine::Dial(const std::string &digits) {
  Stop();
  if (!call_ || !media_) return;
  size_t start = 0;
  for (; start < digits.size() && digits[start] == '!'; ++start) Flash();
  const std::string rest = digits.substr(start);
  if (consult_ && !consult_->IsPlaced() && SipDevice::IsAddress(rest)) {
    PlaceConsultation(rest);
    return;
  }
  std::string keys;
  for (char c : rest) {
    if (IsDtmfKey(c)) {
      keys += c;
    } else {
      Trace("LSipLine::Dial \"%c\" cannot be sent on this line, skipped", c);
    }
  }
  if (consult_ && !consult_->IsPlaced() && !keys.empty()) {
    PlaceConsultation(keys);
    return;
  }
  if (keys.empty()) {
    DeliverDialComplete();
    return;
  }
  IgnoreKeysFor(kIgnoreWhileDialingMs);
  ActiveMedia().SendKeys(keys);
}

// The number of the consultation is "dialled" once the call is placed; one
// that cannot be placed is a party gone.
void LSipLine::PlaceConsultation(const std::string &target) {
  if (!device_ || !consult_->Place(*device_, target)) loop_.SetTimer(this, kPartyGoneTimer, 0);
  ToneDone();
}

// The held caller's media goes on sending comfort silence.
void LSipLine::Flash() {
  if (consult_) {
    Trace("LSipLine flash: consultation ended, back to the caller");
    loop_.KillTimer(this, kPartyGoneTimer);
    consult_.reset();
    UseMedia(*media_);
    return;
  }
  Trace("LSipLine flash: caller held, consultation opened");
  consult_ = std::make_unique<LSipConsultation>(loop_, Clock(), device_->MediaThread());
  consult_->onKey = [this](char key) { Key(key, false); };
  // Told from the loop, not from inside the leg, which the handler may end.
  consult_->onEnded = [this] { loop_.SetTimer(this, kPartyGoneTimer, 0); };
  consult_->Media().onTonesDone = [this] { ToneDone(); };
  UseMedia(consult_->Media());
}

void LSipLine::UseMedia(LRtpMedia &media) { SetCallDevices(media.OutOpener(), media.InOpener()); }

LRtpMedia &LSipLine::ActiveMedia() { return consult_ ? consult_->Media() : *media_; }

void LSipLine::Beep() {
  if (media_) ActiveMedia().Beep();
}

void LSipLine::TransferBlind(const std::string &number) {
  if (!call_) return;
  Stop();
  if (!call_->TransferBlind(number)) {
    Trace("LLine::TransferBlind lineBlindTransfer FAILED");
    Drop();
  }
}

void LSipLine::OnTransferResult(bool success, uint16_t code) {
  if (success) {
    EndCall();  // the caller is with the new party: our part is over
    return;
  }
  Trace("LSipLine transfer failed (%u) so dropping call", code);
  Drop();
}

// No fax application exists on this platform: the hand-off fails.
void LSipLine::FaxHandoff() {
  if (!call_) return;
  Stop();
  consult_.reset();
  Trace("LLine::FaxHandoff Unable to handoff fax to unknown type so dropping call");
  Drop();
}

// The call goes at once (BYE, CANCEL or 486 by its state); the handler hears
// of it once its current notification is over, as from any line.
void LSipLine::Drop() {
  Stop();
  if (!call_) return;
  if (media_) media_->Stop();
  if (consult_ && consult_->IsLive()) {
    Join();
  } else {
    consult_.reset();
    call_.reset();
  }
  dropPending_ = true;
  loop_.SetTimer(this, kDisconnectTimer, 0);
}

// The transfer completes: the two far ends talk through the bridge, which
// is freed on the next loop pass after either hangs up.
void LSipLine::Join() {
  Trace("LSipLine joining the caller and the consultation party");
  std::unique_ptr<SipCall> other = consult_->TakeCall();
  consult_.reset();
  bridge_ = std::make_unique<LSipBridge>(std::move(call_), std::move(other), [this] {
    loop_.SetTimer(this, kBridgeEndTimer, 0);
  });
}

bool LSipLine::MakeCall(const std::string &number) {
  SetPlaceFailure("");
  if (!device_) {
    Trace("LLine::MakeCall Called when hLine is NULL");
    SetPlaceFailure("the line's SIP device is not available");
    return false;
  }
  if (bridge_) {
    Trace("LLine::MakeCall Called while the line joins two parties");
    SetPlaceFailure("the line is busy");
    return false;
  }
  if (call_ || dropPending_) {
    if (!call_ || !number.empty() || connected_ || outgoing_ || answering_) {
      Trace("LLine::MakeCall Called when hCall open");
      SetPlaceFailure("the line is busy");
      return false;
    }
    // A manual answer of the offered call; one that fails leaves it offered
    // and ringing, to be answered or to ring out as before.
    if (!call_->Answer()) return false;
    answering_ = true;
    loop_.KillTimer(this, kRingTimer);
    return true;
  }
  call_ = device_->PlaceCall(number, *this);
  if (!call_) {
    Trace("LLine::MakeCall FAILED");
    SetPlaceFailure(SipDevice::IsUsableNumber(number)
                        ? "the SIP device could not send the call"
                        : "\"" + number + "\" cannot be dialled (it is empty or holds a blank, a quote or an angle bracket)");
    return false;
  }
  outgoing_ = true;
  answering_ = connected_ = false;
  SetCallerId(number, "", "");
  IgnoreKeysFor(kIgnoreWhileDialingMs);
  return true;
}

void LSipLine::OnTimer(int id) {
  if (id == kRingTimer) Ring();
  if (id == kDisconnectTimer) EndCall();
  if (id == kPartyGoneTimer && consult_ && connected_) DeliverTransferPartyGone();
  if (id == kBridgeEndTimer) {
    Trace("LSipLine joined parties gone, line free");
    bridge_.reset();
  }
}

// The call is gone: everything stops, and whoever waits for it hears so. An
// outgoing or answered call that never connected still reaches its owner.
void LSipLine::EndCall() {
  loop_.KillTimer(this, kRingTimer);
  loop_.KillTimer(this, kDisconnectTimer);
  Stop();
  consult_.reset();
  if (media_) media_->Stop();
  SetCallDevices(NoOutput(), NoInput());
  media_.reset();
  call_.reset();
  const bool wasConnected = connected_;
  const bool awaited = outgoing_ || answering_;
  connected_ = outgoing_ = answering_ = dropPending_ = false;
  SetEndOfCallReported(true);
  if (wasConnected) {
    DeliverDisconnect();
  } else if (awaited) {
    DeliverUnansweredDisconnect();
  }
}
