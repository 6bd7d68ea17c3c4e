#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"

class LLineNotify;

// The part of a telephone line that the call controller sees: the call data
// of the current call, the call and audio operations, and the delivery of
// notifications to the handler of the call. Every back-end (the network
// line, the call simulator, the test line) derives from it and raises its
// notifications only through the Deliver operations below, so all of them
// share one set of delivery rules.
class LLineBase {
 public:
  static constexpr std::size_t kMaxCallText = 31;
  // A threshold of -127 dB disables the silence stop of Record and Wait.
  static constexpr int kNoThreshold = -127;

  LLineBase() = default;
  virtual ~LLineBase();
  LLineBase(const LLineBase&) = delete;
  LLineBase& operator=(const LLineBase&) = delete;

  // Call operations. Each one first stops a running audio operation, and a
  // stopped operation never reports its completion.
  // DTMF digits ("!" is a hook flash); completion -> lnntfDialComplete.
  virtual void Dial(const std::string& digits) = 0;
  virtual void TransferBlind(const std::string& number) = 0;
  // Hangs up; the line reports lnntfDisconnect later.
  virtual void Drop() = 0;
  // A 40 ms beep on the call; completion -> lnntfDialComplete.
  virtual void Beep() = 0;
  virtual void FaxHandoff() = 0;
  // Audio operations.
  // Completion (or failure to start) -> lnntfPlayComplete.
  virtual void Play(LSoundSourceRef source) = 0;
  // Moves the running play by deltaMs, clamped to [0, end - 1500 ms].
  virtual void Seek(int32_t deltaMs) = 0;
  // silenceMs 0: no silence stop; maxMs 0: no maximum; completion ->
  // lnntfRecordComplete.
  virtual void Record(LSoundSinkRef sink, int32_t silenceMs, int thresholdDb,
                      int32_t maxMs) = 0;
  // maxMs <= 0 completes at once; completion -> lnntfWaitComplete.
  virtual void Wait(int32_t silenceMs, int thresholdDb, int32_t maxMs) = 0;
  virtual void Stop() = 0;
  // True while a recording (not a wait) runs.
  virtual bool IsRecording() = 0;
  // Places an outgoing call (the dialled number becomes the caller number);
  // false when it cannot be placed. lnntfStart follows on connection.
  virtual bool MakeCall(const std::string& number) = 0;

  // Why the last call placed with MakeCall could not be placed or ended
  // before it was answered, for the log; empty when the line cannot tell.
  const std::string& PlaceFailure() const { return placeFailure_; }

  // Call data of the current call, filled by the line side.
  const std::string& CallerNumber() const { return callerNumber_; }
  const std::string& CallerName() const { return callerName_; }
  const std::string& Did() const { return did_; }
  // Distinctive ring number and the longest ring interval of the call.
  int32_t Drn() const { return drn_; }
  uint32_t DrnTime() const { return drnTimeMs_; }

  // Attaches the owner of the line (null detaches) and sets its
  // back-pointer. A handler attached elsewhere is moved here.
  void SetDefaultHandler(LLineNotify* handler);
  LLineNotify* DefaultHandler() const { return default_; }
  // The handler of the running call; null between calls.
  LLineNotify* CurrentHandler() const { return current_; }

 protected:
  // Each text is cut to 31 characters.
  void SetCallerId(const std::string& number, const std::string& name,
                   const std::string& did);
  void SetDrn(int32_t drn, uint32_t drnTimeMs);
  void SetPlaceFailure(std::string why) { placeFailure_ = std::move(why); }

  // Always asks the default handler; false when there is none.
  bool DeliverAnswer(int ring);
  // The call is connected: ends a call still current, makes the default
  // handler current and delivers lnntfStart.
  void StartCall();
  // The rest reach the current handler only; between calls they are dropped.
  void DeliverPress(char key);
  void DeliverDialComplete();
  void DeliverPlayComplete();
  void DeliverWaitComplete();
  void DeliverRecordComplete();
  void DeliverRecordPosition(uint32_t ms);
  void DeliverRecordLevel(int8_t level);
  void DeliverPlayPosition(uint32_t ms);
  void DeliverPlayLevel(int8_t level);
  void DeliverFax();
  void DeliverEndOfCallBusyTone();
  void DeliverTransferPartyGone();
  // Ends the call for the handler: nothing more reaches it until the next
  // call starts.
  void DeliverDisconnect();
  // An outgoing call that ended before it was answered: its owner hears of
  // it as a disconnect, so it counts an unanswered attempt.
  void DeliverUnansweredDisconnect();

 private:
  std::string callerNumber_;
  std::string callerName_;
  std::string did_;
  int32_t drn_ = 0;
  uint32_t drnTimeMs_ = 0;
  std::string placeFailure_;
  LLineNotify* default_ = nullptr;  // not owned
  LLineNotify* current_ = nullptr;  // default_ during a call, else null
};
