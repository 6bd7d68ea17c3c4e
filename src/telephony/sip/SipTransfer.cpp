#include "telephony/sip/SipTransfer.h"

#include <re.h>

#include <cstring>

#include "core/Trace.h"
#include "telephony/sip/SipCredentials.h"

std::unique_ptr<SipTransfer> SipTransfer::Start(struct sipevent_sock* events,
                                                struct sip_dialog* dialog,
                                                const std::string& target,
                                                const std::string& contactUser,
                                                void* credentials, Result result) {
  std::unique_ptr<SipTransfer> transfer(new SipTransfer(std::move(result)));
  const int err = sipevent_drefer(&transfer->subscription_, events, dialog, contactUser.c_str(),
                                  SipCredentials::Provide, credentials, true, OnNotify, OnClose,
                                  transfer.get(),
                                  "Refer-To: <%s>\r\n", target.c_str());
  if (err) {
    Trace("SipTransfer::Start REFER to %s FAILED: %s", target.c_str(), std::strerror(err));
    return nullptr;
  }
  return transfer;
}

SipTransfer::~SipTransfer() { mem_deref(subscription_); }

uint16_t SipTransfer::SipfragStatus(std::string_view body) {
  constexpr std::string_view kVersion = "SIP/2.0 ";
  while (!body.empty() && (body.front() == ' ' || body.front() == '\r' || body.front() == '\n'))
    body.remove_prefix(1);
  if (!body.starts_with(kVersion)) return 0;
  body.remove_prefix(kVersion.size());
  if (body.size() < 3) return 0;
  uint16_t code = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (body[i] < '0' || body[i] > '9') return 0;
    code = static_cast<uint16_t>(code * 10 + (body[i] - '0'));
  }
  if (body.size() > 3 && body[3] != ' ' && body[3] != '\r' && body[3] != '\n') return 0;
  return code >= 100 && code <= 699 ? code : 0;
}

void SipTransfer::Report(bool success, uint16_t code) {
  if (!result_) return;
  // Reported once; the callback may destroy this transfer.
  Result result = std::move(result_);
  result_ = nullptr;
  result(success, code);
}

void SipTransfer::OnNotify(struct sip* sip, const struct sip_msg* msg, void* arg) {
  auto* transfer = static_cast<SipTransfer*>(arg);
  (void)sip_treply(nullptr, sip, msg, 200, "OK");
  const std::string_view body(reinterpret_cast<const char*>(mbuf_buf(msg->mb)),
                              mbuf_get_left(msg->mb));
  const uint16_t code = SipfragStatus(body);
  if (code >= 200) transfer->Report(code < 300, code);
}

void SipTransfer::OnClose(int err, const struct sip_msg* msg, const struct sipevent_substate*,
                          void* arg) {
  auto* transfer = static_cast<SipTransfer*>(arg);
  uint16_t code = msg ? msg->scode : 0;
  if (err == ETIMEDOUT) code = 408;
  transfer->Report(false, code);
}
