#pragma once

#include <algorithm>
#include <iterator>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ManualClock.h"
#include "core/Trace.h"
#include "telephony/line/LLineBase.h"

// A line driven by a test script. It records every operation the handler
// issues, and the test plays the far end: rings, connection, keys,
// completions and hang-up, at chosen times on a ManualClock. Everything is
// delivered through the line base, so the handler sees exactly the delivery
// rules of a real line. Timed operations (a play of known length, a wait or
// recording with a maximum) complete by themselves when Advance passes their
// end; silence stops and everything else are the script's to deliver.
class ScriptedLine final : public LLineBase {
 public:
  enum class OpKind { Dial, TransferBlind, Drop, Beep, FaxHandoff, Play, Seek, Record, Wait, Stop, MakeCall };

  // One operation as the handler issued it.
  struct Op {
    OpKind kind = OpKind::Stop;
    uint64_t tick = 0;   // clock tick when issued
    std::string text;    // digits or number
    LSoundSourceRef source;  // Play: read frames from it to hear what plays
    int32_t sampleRate = 0;  // Play: the source as handed over
    int32_t endSample = 0;
    LSoundSinkRef sink;  // Record
    int32_t silenceMs = 0;
    int thresholdDb = 0;
    int32_t maxMs = 0;
    int32_t deltaMs = 0;  // Seek
  };

  // Caps the completions one Advance may run, so a handler that loops on
  // empty plays fails its test instead of hanging it.
  static constexpr int kMaxCompletionsPerAdvance = 10000;

  explicit ScriptedLine(ManualClock& clock) : clock_(clock) {}

  // --- operations of the line -------------------------------------------
  void Dial(const std::string& digits) override {
    StopAudio();
    Note(OpKind::Dial).text = digits;
    if (digits.empty()) DeliverDialComplete();
  }
  void TransferBlind(const std::string& number) override {
    StopAudio();
    Note(OpKind::TransferBlind).text = number;
  }
  void Drop() override {
    StopAudio();
    Note(OpKind::Drop);
  }
  void Beep() override { Note(OpKind::Beep); }
  void FaxHandoff() override {
    StopAudio();
    Note(OpKind::FaxHandoff);
  }
  void Play(LSoundSourceRef source) override {
    StopAudio();
    Op& op = Note(OpKind::Play);
    op.source = source;
    if (source) {
      op.sampleRate = source->SampleRate();
      op.endSample = source->GetEndSample();
    }
    running_ = Running::Play;
    const int64_t frames = std::max<int32_t>(op.endSample, 0);
    const int64_t rate = std::max<int32_t>(op.sampleRate, 1);
    deadline_ = clock_.TickCount() + static_cast<uint64_t>((frames * 1000 + rate - 1) / rate);
  }
  void Seek(int32_t deltaMs) override { Note(OpKind::Seek).deltaMs = deltaMs; }
  void Record(LSoundSinkRef sink, int32_t silenceMs, int thresholdDb, int32_t maxMs) override {
    StopAudio();
    Op& op = Note(OpKind::Record);
    op.sink = sink;
    SetLimits(op, silenceMs, thresholdDb, maxMs);
    Start(Running::Record, maxMs);
  }
  void Wait(int32_t silenceMs, int thresholdDb, int32_t maxMs) override {
    StopAudio();
    SetLimits(Note(OpKind::Wait), silenceMs, thresholdDb, maxMs);
    if (maxMs <= 0) {
      DeliverWaitComplete();
      return;
    }
    Start(Running::Wait, maxMs);
  }
  void Stop() override {
    StopAudio();
    Note(OpKind::Stop);
  }
  bool IsRecording() override { return running_ == Running::Record; }
  bool MakeCall(const std::string& number) override {
    Note(OpKind::MakeCall).text = number;
    if (connected_) return false;
    SetCallerId(number, "", "");
    return true;
  }

  // --- the far end ------------------------------------------------------
  // A new incoming call with its caller id; rings count from 1 again.
  void Offer(const std::string& number, const std::string& name = "", const std::string& did = "") {
    SetCallerId(number, name, did);
    SetDrn(0, 0);
    nextRing_ = 1;
    lastRingTick_ = clock_.TickCount();
  }
  // One ring: asks the default handler; true when it answers.
  bool Ring(int32_t drn = 0) {
    const uint64_t now = clock_.TickCount();
    const uint32_t gap = nextRing_ > 1 ? static_cast<uint32_t>(now - lastRingTick_) : 0;
    SetDrn(drn, std::max(DrnTime(), gap));
    lastRingTick_ = now;
    return DeliverAnswer(nextRing_++);
  }
  // Rings until answered or `rings` rings have gone; the ring that was
  // answered, or 0. Rings come every `intervalMs`.
  int RingUntilAnswered(int rings, uint32_t intervalMs = 6000) {
    for (int i = 0; i < rings; ++i) {
      if (i > 0) Advance(intervalMs);
      if (Ring()) return nextRing_ - 1;
    }
    return 0;
  }
  void Connect() {
    connected_ = true;
    StartCall();
  }
  void Press(char key) { DeliverPress(key); }
  void Press(const std::string& keys) {
    for (char key : keys) DeliverPress(key);
  }
  // The far end hangs up (or a Drop is carried out): the call is gone.
  void HangUp() {
    running_ = Running::None;
    connected_ = false;
    DeliverDisconnect();
  }
  // A placed call ends before anyone answered, for the reason given.
  void Unanswered(std::string why = "") {
    running_ = Running::None;
    SetPlaceFailure(std::move(why));
    DeliverUnansweredDisconnect();
  }
  void CompleteDial() { DeliverDialComplete(); }
  // Each completes the named running operation; false when it is not running.
  bool CompleteWait() { return Complete(Running::Wait); }
  bool CompleteRecord() { return Complete(Running::Record); }
  void ReportPlayPosition(uint32_t ms) { DeliverPlayPosition(ms); }
  void ReportPlayLevel(int8_t level) { DeliverPlayLevel(level); }
  void ReportRecordPosition(uint32_t ms) { DeliverRecordPosition(ms); }
  void Fax() { DeliverFax(); }
  void EndOfCallTone() { DeliverEndOfCallBusyTone(); }
  void TransferPartyGone() { DeliverTransferPartyGone(); }

  // Moves the clock on, completing timed operations as their ends pass.
  void Advance(uint64_t ms) {
    const uint64_t target = clock_.TickCount() + ms;
    for (int n = 0; running_ != Running::None && deadline_ <= target; ++n) {
      if (n == kMaxCompletionsPerAdvance) {
        Trace("ScriptedLine::Advance too many completions, stopping");
        break;
      }
      clock_.Advance(deadline_ - std::min(deadline_, clock_.TickCount()));
      Complete(running_);
    }
    clock_.Advance(target - std::min(target, clock_.TickCount()));
  }

  // --- what happened ----------------------------------------------------
  const std::vector<Op>& Ops() const { return ops_; }
  const Op* LastOp() const { return ops_.empty() ? nullptr : &ops_.back(); }
  std::vector<Op> OpsOf(OpKind kind) const {
    std::vector<Op> found;
    std::copy_if(ops_.begin(), ops_.end(), std::back_inserter(found), [kind](const Op& op) { return op.kind == kind; });
    return found;
  }
  void ClearOps() { ops_.clear(); }
  bool IsConnected() const { return connected_; }
  bool IsPlaying() const { return running_ == Running::Play; }

 private:
  enum class Running { None, Play, Record, Wait };
  static constexpr uint64_t kNever = UINT64_MAX;

  Op& Note(OpKind kind) {
    Op& op = ops_.emplace_back();
    op.kind = kind;
    op.tick = clock_.TickCount();
    return op;
  }
  static void SetLimits(Op& op, int32_t silenceMs, int thresholdDb, int32_t maxMs) {
    op.silenceMs = silenceMs;
    op.thresholdDb = thresholdDb;
    op.maxMs = maxMs;
  }
  void Start(Running what, int32_t maxMs) {
    running_ = what;
    deadline_ = maxMs > 0 ? clock_.TickCount() + static_cast<uint64_t>(maxMs) : kNever;
  }
  // A stopped operation never reports its completion.
  void StopAudio() { running_ = Running::None; }
  bool Complete(Running what) {
    if (running_ != what || what == Running::None) return false;
    running_ = Running::None;
    if (what == Running::Play) DeliverPlayComplete();
    if (what == Running::Wait) DeliverWaitComplete();
    if (what == Running::Record) DeliverRecordComplete();
    return true;
  }

  ManualClock& clock_;
  std::vector<Op> ops_;
  Running running_ = Running::None;
  uint64_t deadline_ = kNever;
  int nextRing_ = 1;
  uint64_t lastRingTick_ = 0;
  bool connected_ = false;
};
