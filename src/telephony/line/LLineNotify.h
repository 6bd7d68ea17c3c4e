#pragma once

#include <cstdint>

class LLineBase;

// What a line tells the handler of its call (the call controller). The
// virtual operations are in slot order; a handler replaces the ones it cares
// about. The base versions drop the call for completions nobody expects, so
// a call never hangs without a pending operation.
class LLineNotify {
 public:
  LLineNotify() = default;
  // Detaches from the line so it never calls a destroyed handler.
  virtual ~LLineNotify();
  LLineNotify(const LLineNotify&) = delete;
  LLineNotify& operator=(const LLineNotify&) = delete;

  // Asked at every ring; true means answer now.
  virtual bool Answer(int ring);
  // The call is connected (incoming answered or outgoing connected).
  virtual void lnntfStart() = 0;
  virtual void lnntfPress(char key);
  virtual void lnntfDialComplete();
  virtual void lnntfPlayComplete();
  virtual void lnntfWaitComplete();
  virtual void lnntfRecordComplete();
  // Recorded length in ms up to the last block that was not silent.
  virtual void lnntfRecordPosition(uint32_t ms);
  // Loudest channel level of the last recorder block (-127 when none).
  virtual void lnntfRecordLevel(int8_t level);
  virtual void lnntfPlayPosition(uint32_t ms);
  virtual void lnntfPlayLevel(int8_t level);
  virtual void lnntfFax();
  virtual void lnntfEndOfCallBusyTone();
  // The party a transfer called hung up, refused or could not be reached
  // before being joined (lines that can tell; ignored by default).
  virtual void lnntfTransferPartyGone();
  virtual void lnntfDisconnect();

  // The line this handler is attached to; null while detached.
  LLineBase* Line() const { return line_; }

 private:
  friend class LLineBase;
  void DropCall();

  LLineBase* line_ = nullptr;
};
