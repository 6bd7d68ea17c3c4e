#include "telephony/line/LLineBase.h"

#include "core/Path.h"
#include "core/Trace.h"
#include "telephony/line/LLineNotify.h"

LLineBase::~LLineBase() { SetDefaultHandler(nullptr); }

void LLineBase::SetDefaultHandler(LLineNotify* handler) {
  if (handler == default_) return;
  if (default_) {
    default_->line_ = nullptr;
    // A detached handler hears nothing more, not even the end of its call.
    if (current_ == default_) current_ = nullptr;
  }
  default_ = nullptr;
  if (handler) {
    if (handler->line_) handler->line_->SetDefaultHandler(nullptr);
    handler->line_ = this;
  }
  default_ = handler;
}

void LLineBase::SetCallerId(const std::string& number, const std::string& name,
                            const std::string& did) {
  callerNumber_ = CutText(number, kMaxCallText);
  callerName_ = CutText(name, kMaxCallText);
  did_ = CutText(did, kMaxCallText);
}

void LLineBase::SetDrn(int32_t drn, uint32_t drnTimeMs) {
  drn_ = drn;
  drnTimeMs_ = drnTimeMs;
}

bool LLineBase::DeliverAnswer(int ring) {
  if (!default_) {
    Trace("LLineBase::DeliverAnswer no handler attached so not answering");
    return false;
  }
  return default_->Answer(ring);
}

void LLineBase::StartCall() {
  if (current_) DeliverDisconnect();
  if (!default_) {
    Trace("LLineBase::StartCall no handler attached");
    return;
  }
  current_ = default_;
  current_->lnntfStart();
}

void LLineBase::DeliverPress(char key) {
  if (current_) current_->lnntfPress(key);
}

void LLineBase::DeliverDialComplete() {
  if (current_) current_->lnntfDialComplete();
}

void LLineBase::DeliverPlayComplete() {
  if (current_) current_->lnntfPlayComplete();
}

void LLineBase::DeliverWaitComplete() {
  if (current_) current_->lnntfWaitComplete();
}

void LLineBase::DeliverRecordComplete() {
  if (current_) current_->lnntfRecordComplete();
}

void LLineBase::DeliverRecordPosition(uint32_t ms) {
  if (current_) current_->lnntfRecordPosition(ms);
}

void LLineBase::DeliverRecordLevel(int8_t level) {
  if (current_) current_->lnntfRecordLevel(level);
}

void LLineBase::DeliverPlayPosition(uint32_t ms) {
  if (current_) current_->lnntfPlayPosition(ms);
}

void LLineBase::DeliverPlayLevel(int8_t level) {
  if (current_) current_->lnntfPlayLevel(level);
}

void LLineBase::DeliverFax() {
  if (current_) current_->lnntfFax();
}

void LLineBase::DeliverEndOfCallBusyTone() {
  if (current_) current_->lnntfEndOfCallBusyTone();
}

void LLineBase::DeliverTransferPartyGone() {
  if (current_) current_->lnntfTransferPartyGone();
}

void LLineBase::DeliverDisconnect() {
  // Cleared before delivery: whatever the handler does in reply (a Drop on a
  // line that reports at once, a new outgoing call) must not reach the call
  // that is ending, and a call started meanwhile keeps its handler.
  LLineNotify* handler = current_;
  current_ = nullptr;
  if (handler) handler->lnntfDisconnect();
}

void LLineBase::DeliverUnansweredDisconnect() {
  if (current_) {
    DeliverDisconnect();
    return;
  }
  // The call never started, so no handler is current: the owner that placed
  // it still waits for its end.
  if (default_) default_->lnntfDisconnect();
}
