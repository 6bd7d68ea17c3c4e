#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/PiMutex.h"
#include "telephony/dsp/LDtmfDetector.h"
#include "telephony/rtp/LRtpEventReceiver.h"
#include "telephony/rtp/LRtpEventSender.h"
#include "telephony/rtp/LRtpJitterBuffer.h"
#include "telephony/rtp/LRtpPacket.h"
#include "telephony/rtp/LRtpSendPacer.h"
#include "telephony/dsp/LToneGenerator.h"
#include "telephony/wave/LWaveDevices.h"
#include "telephony/sip/SipMediaDescription.h"

class LClock;
class LRtpDeviceHub;
class LRtpMediaThread;
class MainLoop;

// The audio of one call as RTP: what the line's player plays on OutOpener's
// device goes to the far end, and what the far end sends reaches the
// recorder on InOpener's device. Every 20 ms slot (in absolute time on the
// clock's 20 ms grid, which every call shares) one packet is sent, with
// comfort silence while nothing plays so the far end's play-out keeps time,
// and 20 ms of received audio is taken from the jitter buffer (lost packets
// are silence).
//
// Keys arrive as RFC 4733 telephone events; when the far end offered none,
// the DTMF detector listens to the received audio instead. Keys go out as
// telephone events where negotiated, else as tones in the audio; the beep is
// always a tone.
//
// Made and destroyed on the loop thread, where the callbacks run (they may
// destroy the media). The slots are ticked by the media thread given, or by
// the owner calling Tick when there is none; a tick off the loop thread
// posts what it has to report to the loop. The sender is called while a
// slot is ticked, so on the media thread. Devices opened on the media may
// outlive it: they then return their buffers as after Stop.
class LRtpMedia final {
 public:
  using Sender = std::function<bool(std::span<const uint8_t> packet)>;

  static constexpr uint32_t kPacketMs = 20;
  static constexpr uint32_t kPacketSamples = 160;

  // `thread` may be null (the owner ticks).
  LRtpMedia(MainLoop& loop, const LClock& clock, LRtpMediaThread* thread, Sender sender,
            const SipMediaDescription& description);
  ~LRtpMedia();
  LRtpMedia(const LRtpMedia&) = delete;
  LRtpMedia& operator=(const LRtpMedia&) = delete;

  // The far end's payload types, again after a re-INVITE.
  void SetDescription(const SipMediaDescription& description);
  // Where packets go from the next slot on; null sends nothing.
  void SetSender(Sender sender);

  // For the line's player and recorder (8000 Hz mono only).
  LWaveOutOpener OutOpener() const;
  LWaveInOpener InOpener() const;

  // Once, at connection: the first packet goes out at the next slot of the
  // grid (at once when the clock is on it).
  void Start();
  // At the end of the call: nothing is sent or received any more, queued
  // keys and tones are dropped (onTonesDone does not follow), played buffers
  // come back done, devices cannot be opened.
  void Stop();
  bool IsRunning() const;
  // Keys come as telephone events (signalled, never our own tones heard
  // back), not from the DTMF detector.
  bool HearsKeysAsEvents() const;

  // A datagram from the far end's media address, on the loop thread.
  void OnRtpPacket(std::span<const uint8_t> datagram);

  // Queues keys (0-9 * # A-D); false when one is no key or the call ended.
  bool SendKeys(std::string_view keys);
  // Queues a 40 ms tone; false when the call ended.
  bool Beep();

  // Sends and takes what is due by the clock now; calling it more often
  // does no harm. From any thread.
  void Tick();

  std::function<void(char key)> onKey;
  // Everything queued by SendKeys and Beep has been sent.
  std::function<void()> onTonesDone;

 private:
  enum class State { kIdle, kRunning, kStopped };
  // The most audio dropped from the devices after a stall: more than they hold.
  static constexpr uint64_t kMaxDiscardSlots = 500;

  void TickLocked(std::string& keys, bool& tonesDone);
  void SendSlot(uint64_t slot);
  void Send(int payloadType, bool marker, uint32_t timestamp, std::span<const uint8_t> payload);
  void ReceiveSlot(std::string& keys);
  char OnTelephoneEvent(const LRtpPacket& packet);
  void ReportOnLoop(std::string keys, bool tonesDone);
  void Report(const std::string& keys, bool tonesDone);

  MainLoop& loop_;
  const LClock& clock_;
  LRtpMediaThread* const thread_;
  // Everything below but the hub (locked on its own) and the callbacks.
  mutable PiMutex lock_;
  Sender sender_;
  const std::shared_ptr<LRtpDeviceHub> hub_;
  // Expires with the media, so a callback that destroyed it is noticed.
  const std::shared_ptr<char> alive_;
  State state_ = State::kIdle;
  int audioType_ = -1;
  int eventType_ = -1;

  // Sending.
  LRtpSendPacer pacer_;
  LRtpEventSender events_;
  LToneGenerator tones_;
  bool tonesPending_ = false;
  const uint32_t ssrc_;
  const uint32_t timestampOrigin_;
  uint16_t sequence_;
  bool firstAudio_ = true;
  bool sending_ = true;  // the last packet went out (traced when it changes)
  const char* sendingChange_ = nullptr;  // the trace of a change, not posted yet
  std::array<int16_t, kPacketSamples> sendFrame_{};
  std::array<uint8_t, kPacketSamples> encoded_{};
  std::vector<uint8_t> datagram_;  // reused by every packet sent

  // Receiving.
  LRtpJitterBuffer jitter_;
  LRtpEventReceiver eventReceiver_;
  uint32_t eventSsrc_ = 0;
  bool eventSsrcKnown_ = false;
  LDtmfDetector detector_;
  std::array<int16_t, kPacketSamples> receiveFrame_{};
};
