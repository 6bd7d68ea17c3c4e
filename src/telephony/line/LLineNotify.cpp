#include "telephony/line/LLineNotify.h"

#include "core/Trace.h"
#include "telephony/line/LLineBase.h"

LLineNotify::~LLineNotify() {
  if (line_) line_->SetDefaultHandler(nullptr);
}

bool LLineNotify::Answer(int /*ring*/) { return true; }

void LLineNotify::lnntfPress(char /*key*/) {}
void LLineNotify::lnntfDialComplete() { DropCall(); }
void LLineNotify::lnntfPlayComplete() { DropCall(); }
void LLineNotify::lnntfWaitComplete() { DropCall(); }
void LLineNotify::lnntfRecordComplete() { DropCall(); }
void LLineNotify::lnntfRecordPosition(uint32_t /*ms*/) {}
void LLineNotify::lnntfRecordLevel(int8_t /*level*/) {}
void LLineNotify::lnntfPlayPosition(uint32_t /*ms*/) {}
void LLineNotify::lnntfPlayLevel(int8_t /*level*/) {}

void LLineNotify::lnntfFax() {
  if (line_) line_->FaxHandoff();
}

void LLineNotify::lnntfEndOfCallBusyTone() { DropCall(); }
void LLineNotify::lnntfTransferPartyGone() {}
void LLineNotify::lnntfDisconnect() {}

void LLineNotify::DropCall() {
  if (line_) {
    line_->Drop();
  } else {
    Trace("LLineNotify::DropCall no line attached");
  }
}
