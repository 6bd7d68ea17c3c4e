#include "telephony/rtp/LRtpMedia.h"

#include <algorithm>

#include "core/LClock.h"
#include "core/MainLoop.h"
#include "core/Trace.h"
#include "telephony/rtp/LRtpDeviceHub.h"
#include "telephony/rtp/LRtpMediaThread.h"
#include "telephony/rtp/RtpG711.h"

namespace {

bool IsG711Type(int payloadType) {
  return payloadType >= 0 && payloadType <= 127 && IsRtpG711(static_cast<uint8_t>(payloadType));
}

}  // namespace

LRtpMedia::LRtpMedia(MainLoop& loop, const LClock& clock, LRtpMediaThread* thread,
                     Sender sender, const SipMediaDescription& description)
    : loop_(loop),
      clock_(clock),
      thread_(thread),
      sender_(std::move(sender)),
      hub_(std::make_shared<LRtpDeviceHub>()),
      alive_(std::make_shared<char>()),
      pacer_(kPacketMs),
      events_(kPacketMs),
      ssrc_(LRtpPacket::RandomWord()),
      timestampOrigin_(LRtpPacket::RandomWord()),
      sequence_(static_cast<uint16_t>(LRtpPacket::RandomWord())) {
  SetDescription(description);
}

LRtpMedia::~LRtpMedia() { Stop(); }

void LRtpMedia::SetDescription(const SipMediaDescription& description) {
  std::lock_guard<PiMutex> guard(lock_);
  audioType_ = IsG711Type(description.audioPayloadType) ? description.audioPayloadType : -1;
  const int eventType = description.telephoneEventPayloadType;
  const bool hadEvents = eventType_ >= 0;
  // Never one of the audio types, whose packets would be read as events.
  eventType_ = eventType >= 0 && eventType <= 127 && !IsG711Type(eventType) ? eventType : -1;
  if (eventType_ < 0 && !events_.Idle()) {
    Trace("LRtpMedia telephone events no longer offered, queued keys dropped");
    events_.Clear();
  }
  // The detector hears only audio that came while it was needed.
  if (hadEvents && eventType_ < 0) detector_.Reset();
}

void LRtpMedia::SetSender(Sender sender) {
  std::lock_guard<PiMutex> guard(lock_);
  sender_ = std::move(sender);
}

bool LRtpMedia::IsRunning() const {
  std::lock_guard<PiMutex> guard(lock_);
  return state_ == State::kRunning;
}

bool LRtpMedia::HearsKeysAsEvents() const {
  std::lock_guard<PiMutex> guard(lock_);
  return eventType_ >= 0;
}

LWaveOutOpener LRtpMedia::OutOpener() const { return LRtpDeviceHub::OutOpener(hub_); }

LWaveInOpener LRtpMedia::InOpener() const { return LRtpDeviceHub::InOpener(hub_); }

void LRtpMedia::Start() {
  {
    std::lock_guard<PiMutex> guard(lock_);
    if (state_ != State::kIdle) return;
    state_ = State::kRunning;
    // Slots on the clock's 20 ms grid, which every call shares, so one
    // wake-up of the media thread sends all their packets.
    const uint64_t now = clock_.TickCount();
    pacer_.Start((now + kPacketMs - 1) / kPacketMs * kPacketMs);
  }
  if (thread_) thread_->Add(*this);
  Tick();
}

// Leaves the media thread before taking the lock: the thread takes it while
// holding its own.
void LRtpMedia::Stop() {
  if (thread_) thread_->Remove(*this);
  std::lock_guard<PiMutex> guard(lock_);
  if (state_ == State::kStopped) return;
  state_ = State::kStopped;
  hub_->End();
  events_.Clear();
  tones_.Clear();
  tonesPending_ = false;
  jitter_.Reset();
}

bool LRtpMedia::SendKeys(std::string_view keys) {
  std::lock_guard<PiMutex> guard(lock_);
  if (state_ == State::kStopped) return false;
  const bool queued = eventType_ >= 0 ? events_.QueueKeys(keys) : tones_.QueueKeys(keys);
  if (!queued) {
    Trace("LRtpMedia::SendKeys \"%.*s\" holds no key FAILED", static_cast<int>(keys.size()),
          keys.data());
    return false;
  }
  tonesPending_ = true;
  return true;
}

bool LRtpMedia::Beep() {
  std::lock_guard<PiMutex> guard(lock_);
  if (state_ == State::kStopped) return false;
  tones_.QueueBeep();
  tonesPending_ = true;
  return true;
}

void LRtpMedia::Tick() {
  std::string keys;
  bool tonesDone = false;
  const char* sendingChange = nullptr;
  {
    std::lock_guard<PiMutex> guard(lock_);
    TickLocked(keys, tonesDone);
    std::swap(sendingChange, sendingChange_);
  }
  // Traced on the loop: a write that waits for the disk would make every
  // call's packets late.
  if (sendingChange) loop_.Post([sendingChange] { Trace("%s", sendingChange); });
  if (keys.empty() && !tonesDone) return;
  if (loop_.IsLoopThread()) {
    Report(keys, tonesDone);
  } else {
    ReportOnLoop(std::move(keys), tonesDone);
  }
}

void LRtpMedia::TickLocked(std::string& keys, bool& tonesDone) {
  if (state_ != State::kRunning) return;
  const LRtpSendPacer::Due due = pacer_.Poll(clock_);
  if (due.skipped != 0) {
    hub_->Discard(static_cast<uint32_t>(std::min(due.skipped, kMaxDiscardSlots) * kPacketSamples));
  }
  for (uint32_t i = 0; i < due.send; ++i) {
    SendSlot(due.firstSlot + i);
    ReceiveSlot(keys);
  }
  tonesDone = tonesPending_ && tones_.Idle() && events_.Idle();
  if (tonesDone) tonesPending_ = false;
}

// The media lives while it is ticked, and dies on the loop thread, so the
// posted report can tell whether it still lives.
void LRtpMedia::ReportOnLoop(std::string keys, bool tonesDone) {
  const std::weak_ptr<char> alive = alive_;
  loop_.Post([this, alive, keys = std::move(keys), tonesDone] {
    if (!alive.expired()) Report(keys, tonesDone);
  });
}

// A telephone event takes the slot of the audio, which is dropped meanwhile;
// the tones wait for the next audio slot.
void LRtpMedia::SendSlot(uint64_t slot) {
  const auto timestamp = static_cast<uint32_t>(timestampOrigin_ + slot * kPacketSamples);
  hub_->Play(sendFrame_);
  if (eventType_ >= 0 && !events_.Idle()) {
    if (const auto event = events_.Next(timestamp)) {
      Send(eventType_, event->marker, event->timestamp, event->payload);
      return;
    }
  }
  tones_.Mix(sendFrame_);
  if (audioType_ < 0) return;
  RtpG711Encode(static_cast<uint8_t>(audioType_), sendFrame_, encoded_.data());
  Send(audioType_, firstAudio_, timestamp, encoded_);
  firstAudio_ = false;
}

void LRtpMedia::Send(int payloadType, bool marker, uint32_t timestamp,
                     std::span<const uint8_t> payload) {
  LRtpPacket packet;
  packet.marker = marker;
  packet.payloadType = static_cast<uint8_t>(payloadType);
  packet.sequence = sequence_++;
  packet.timestamp = timestamp;
  packet.ssrc = ssrc_;
  packet.payload = payload;
  const bool sent = packet.BuildInto(datagram_) && sender_ && sender_(datagram_);
  if (sent != sending_) {
    sending_ = sent;
    sendingChange_ = sent ? "LRtpMedia sending RTP again" : "LRtpMedia RTP packet not sent FAILED";
  }
}

void LRtpMedia::ReceiveSlot(std::string& keys) {
  jitter_.Pull(receiveFrame_);
  if (eventType_ < 0) keys += detector_.Feed(receiveFrame_);
  hub_->Record(receiveFrame_);
}

void LRtpMedia::OnRtpPacket(std::span<const uint8_t> datagram) {
  char key = 0;
  {
    std::lock_guard<PiMutex> guard(lock_);
    if (state_ != State::kRunning) return;
    LRtpPacket packet;
    if (!LRtpPacket::Parse(datagram, packet)) return;
    if (eventType_ >= 0 && packet.payloadType == eventType_) {
      key = OnTelephoneEvent(packet);
    } else {
      // Other payload types are refused by the jitter buffer.
      jitter_.Put(packet);
    }
  }
  if (key != 0) Report(std::string(1, key), false);
}

char LRtpMedia::OnTelephoneEvent(const LRtpPacket& packet) {
  if (!eventSsrcKnown_ || packet.ssrc != eventSsrc_) {
    eventReceiver_.Reset();
    eventSsrc_ = packet.ssrc;
    eventSsrcKnown_ = true;
  }
  return eventReceiver_.Receive(packet.timestamp, packet.payload);
}

void LRtpMedia::Report(const std::string& keys, bool tonesDone) {
  const std::weak_ptr<char> alive = alive_;
  // Copies: a callback that destroys the media destroys the members too.
  for (const char key : keys) {
    if (alive.expired() || !onKey) return;
    const std::function<void(char)> callback = onKey;
    callback(key);
  }
  if (!tonesDone || alive.expired() || !onTonesDone) return;
  const std::function<void()> callback = onTonesDone;
  callback();
}
