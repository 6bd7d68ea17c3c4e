#include "telephony/sip/SipCall.h"

#include <re.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "core/Trace.h"
#include "log/LogFile.h"
#include "telephony/sip/LDtmfRelay.h"
#include "telephony/sip/SipCallListener.h"
#include "telephony/sip/SipCredentials.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipMediaSession.h"
#include "telephony/sip/SipReaper.h"
#include "telephony/sip/SipTransfer.h"

// The libre session and the call it reports to. libre's callbacks get this,
// not the call: once the call is gone `owner` is null and they do nothing.
struct SipCall::Session {
  SipCall* owner = nullptr;
  struct sipsess* sess = nullptr;

  ~Session() { mem_deref(sess); }
};

namespace {

constexpr const char* kSdp = "application/sdp";

std::string_view View(const struct pl& pl) { return {pl.p ? pl.p : "", pl.l}; }

std::string_view Header(const struct sip_msg& msg, enum sip_hdrid id) {
  const struct sip_hdr* header = sip_msg_hdr(&msg, id);
  return header ? View(header->val) : std::string_view();
}

std::string_view Body(const struct sip_msg& msg) {
  return {reinterpret_cast<const char*>(mbuf_buf(msg.mb)), mbuf_get_left(msg.mb)};
}

const char* ReasonFor(uint16_t code) {
  switch (code) {
    case 480: return "Temporarily Unavailable";
    case 486: return "Busy Here";
    case 488: return "Not Acceptable Here";
    case 603: return "Decline";
    default: return "Call Refused";
  }
}

}  // namespace

SipCall* SipCall::OwnerOf(void* arg) { return static_cast<Session*>(arg)->owner; }

SipCall::SipCall(SipDevice& device, bool incoming)
    : device_(device),
      incoming_(incoming),
      state_(incoming ? State::kOffered : State::kCalling),
      session_(std::make_shared<Session>()) {
  session_->owner = this;
}

SipCall::~SipCall() {
  session_->owner = nullptr;
  if (media_) {
    media_->Rtp().SetReceiver(nullptr);
    media_->Rtp().Sender()->Close();
  }
  if (transfer_) transfer_->Detach();
  SipReaper& reaper = device_.Reaper();
  reaper.Release(std::move(session_));
  reaper.Release(std::move(media_));
  reaper.Release(std::move(transfer_));
}

std::unique_ptr<SipCall> SipCall::Accept(SipDevice& device, const struct sip_msg* invite) {
  std::unique_ptr<SipCall> call(new SipCall(device, true));
  struct sip* sip = device.Stack();
  if (!call->OpenMedia(device.MediaIp(&invite->src))) {
    device.LogRefusal(invite->src, "refused (503): no RTP port could be opened (out of descriptors or ports)");
    (void)sip_treply(nullptr, sip, invite, 503, "Service Unavailable");
    return nullptr;
  }
  call->ArmLatch(invite->src);
  call->remoteOffered_ = mbuf_get_left(invite->mb) > 0;
  if (call->remoteOffered_ &&
      (!msg_ctype_cmp(&invite->ctyp, "application", "sdp") || !call->media_->TakeOffer(invite->mb))) {
    (void)sip_treply(nullptr, sip, invite, 488, ReasonFor(488));
    return nullptr;
  }
  // A challenge to our requests in a call from elsewhere goes unanswered.
  call->provider_ = device.IsProvider(invite->src);
  void* credentials = device.NewCredentials(call->provider_);
  const int err = sipsess_accept(&call->session_->sess, device.Sessions(), invite, 180, "Ringing",
                                 device.ContactUser().c_str(), kSdp, nullptr,
                                 SipCredentials::Provide, credentials, true, OnOffer, OnAnswer,
                                 OnEstablished, OnInfo, OnRefer, OnClose, call->session_.get(),
                                 "Allow: %s\r\n", SipDevice::kAllow);
  mem_deref(credentials);
  if (err) {
    Trace("SipCall::Accept sipsess_accept FAILED: %s", std::strerror(err));
    (void)sip_treply(nullptr, sip, invite, 500, "Server Internal Error");
    return nullptr;
  }
  call->ReadCallerData(*invite, device.TrustsIdentityFrom(invite->src));
  return call;
}

std::unique_ptr<SipCall> SipCall::Connect(SipDevice& device, const std::string& uri,
                                          SipCallListener& listener) {
  std::unique_ptr<SipCall> call(new SipCall(device, false));
  call->listener_ = &listener;
  struct mbuf* offer = nullptr;
  if (!call->OpenMedia(device.MediaIp(nullptr)) || !call->media_->Encode(&offer, true))
    return nullptr;
  const std::string own = device.OwnUri();
  const std::string route = device.OutboundRoute();
  const char* routes[] = {route.c_str()};
  call->provider_ = device.IsProviderTarget(uri);
  void* credentials = device.NewCredentials(call->provider_);
  const int err = sipsess_connect(
      &call->session_->sess, device.Sessions(), uri.c_str(), nullptr, own.c_str(),
      device.ContactUser().c_str(), route.empty() ? nullptr : routes, route.empty() ? 0 : 1, kSdp,
      offer, SipCredentials::Provide, credentials, true, OnOffer, OnAnswer, OnProgress,
      OnEstablished, OnInfo, OnRefer, OnClose, call->session_.get(), "Allow: %s\r\n",
      SipDevice::kAllow);
  mem_deref(credentials);
  mem_deref(offer);
  if (err) {
    Trace("SipCall::Connect INVITE to %s FAILED: %s", uri.c_str(), std::strerror(err));
    return nullptr;
  }
  return call;
}

bool SipCall::OpenMedia(const std::string& localIp) {
  media_ = SipMediaSession::Open(localIp);
  if (!media_) return false;
  media_->Rtp().SetReceiver([this](std::span<const uint8_t> packet) {
    if (listener_) listener_->OnRtpPacket(packet);
  });
  return true;
}

void SipCall::ArmLatch(const struct sa& signalling) {
  char host[64] = "";
  if (sa_ntop(&signalling, host, sizeof host) != 0) host[0] = '\0';
  media_->Rtp().SetLatch(SipRtpLatch(device_.Settings().rtpLatch, host),
                         [this](const SipHostPort& from, const SipHostPort& to) { OnLatched(from, to); });
  media_->Rtp().SetMoveObserver([this](const SipHostPort&, const SipHostPort& to) { OnMoveHeld(to); });
}

// A far end may move its audio (a re-INVITE), but not make us send it to a
// third party unasked: the system log names the first such move of a call.
void SipCall::OnMoveHeld(const SipHostPort& to) {
  Trace("SipCall media moved to %s, held until heard", to.Text().c_str());
  if (moveLogged_) return;
  moveLogged_ = true;
  device_.Log().Log("SIP device " + device_.Settings().name + ": the far end moved the call's audio to " +
                        to.Text(),
                    ", not where its SIP messages come from; sending there once audio comes from it");
}

// The system log names the first switch of a call; a switch after the far
// end's media changed is traced only.
void SipCall::OnLatched(const SipHostPort& from, const SipHostPort& to) {
  Trace("SipCall RTP from %s taken in place of %s", to.Text().c_str(), from.Text().c_str());
  if (latchLogged_) return;
  latchLogged_ = true;
  device_.Log().Log("SIP device " + device_.Settings().name + ": RTP comes from " + to.Text(),
                    ", not from " + from.Text() + " as the SDP says; sending there now");
}

// Anyone can write a P-Asserted-Identity: only a trusted sender's counts.
void SipCall::ReadCallerData(const struct sip_msg& invite, bool trusted) {
  caller_ = SipCallerId::Parse(trusted ? Header(invite, SIP_HDR_P_ASSERTED_IDENTITY) : std::string_view(),
                               Header(invite, SIP_HDR_FROM), Header(invite, SIP_HDR_PRIVACY));
  did_ = SipCallerId::UriUser(View(invite.ruri));
  ringPattern_ = SipCallerId::RingPatternNumber(Header(invite, SIP_HDR_ALERT_INFO));
}

const SipMediaDescription& SipCall::Media() const { return media_->Remote(); }

uint16_t SipCall::LocalRtpPort() const { return media_->Rtp().LocalPort(); }

bool SipCall::Ring() {
  if (state_ != State::kOffered) return false;
  return sipsess_progress(session_->sess, 180, "Ringing", nullptr, nullptr) == 0;
}

bool SipCall::Answer() {
  if (state_ != State::kOffered) return false;
  struct mbuf* description = nullptr;
  int err = media_->Encode(&description, !remoteOffered_) ? 0 : EINVAL;
  if (!err)
    err = sipsess_answer(session_->sess, 200, "OK", description, "Allow: %s\r\n", SipDevice::kAllow);
  mem_deref(description);
  if (err) {
    Trace("SipCall::Answer FAILED: %s", std::strerror(err));
    return false;
  }
  state_ = State::kAnswering;
  // The caller may send RTP as soon as it has our answer.
  media_->Rtp().StartLatch();
  return true;
}

bool SipCall::Refuse(uint16_t code) {
  if (state_ != State::kOffered || code < 300 || code > 699) return false;
  if (sipsess_reject(session_->sess, code, ReasonFor(code), nullptr) != 0) return false;
  state_ = State::kEnded;
  return true;
}

bool SipCall::TransferBlind(const std::string& number) {
  if (state_ != State::kEstablished || transfer_ || !SipDevice::IsUsableNumber(number)) return false;
  void* credentials = device_.NewCredentials(provider_);
  transfer_ = SipTransfer::Start(device_.Events(), sipsess_dialog(session_->sess),
                                 device_.TargetUri(number), device_.ContactUser(), credentials,
                                 [this](bool success, uint16_t code) { OnTransferDone(success, code); });
  mem_deref(credentials);
  return transfer_ != nullptr;
}

void SipCall::OnTransferDone(bool success, uint16_t code) {
  // Called from the transfer's own handler: released on the next pass.
  device_.Reaper().Release(std::move(transfer_));
  if (listener_) listener_->OnTransferResult(success, code);
}

bool SipCall::SendRtp(std::span<const uint8_t> packet) {
  return state_ != State::kEnded && media_->Rtp().Send(packet);
}

std::function<bool(std::span<const uint8_t>)> SipCall::RtpSender() const {
  return [sender = media_->Rtp().Sender()](std::span<const uint8_t> packet) {
    return sender->Send(packet);
  };
}

void SipCall::End(int err, const struct sip_msg* msg) {
  const State previous = state_;
  if (previous == State::kEnded) return;
  state_ = State::kEnded;
  // BYE and CANCEL both arrive as ECONNRESET without a message: the state
  // tells them apart.
  SipCallEnd end;
  if (previous == State::kCalling && msg && msg->scode >= 300) {
    end.reason = SipCallEnd::Reason::kRefused;
    end.code = msg->scode;
    end.detail = std::string(View(msg->reason));
  } else if (err == ECONNRESET && previous != State::kCalling) {
    end.reason = previous == State::kEstablished ? SipCallEnd::Reason::kHangUp
                                                 : SipCallEnd::Reason::kCancelled;
  } else {
    end.reason = SipCallEnd::Reason::kFailed;
    end.code = err == ETIMEDOUT ? 408 : 0;
    end.detail = err ? std::strerror(err) : "no reason given";
  }
  if (listener_) listener_->OnCallEnded(end);
}

int SipCall::OnOffer(struct mbuf** description, const struct sip_msg* msg, void* arg) {
  SipCall* call = OwnerOf(arg);
  if (!call) return ECONNRESET;
  const bool offered = mbuf_get_left(msg->mb) > 0;
  if (offered && !call->media_->TakeOffer(msg->mb)) return EPROTO;
  if (!call->media_->Encode(description, !offered)) return ENOMEM;
  if (call->listener_) call->listener_->OnMediaChanged();
  return 0;
}

int SipCall::OnAnswer(const struct sip_msg* msg, void* arg) {
  SipCall* call = OwnerOf(arg);
  if (!call) return ECONNRESET;
  return call->media_->TakeAnswer(msg->mb) ? 0 : EPROTO;
}

void SipCall::OnProgress(const struct sip_msg* msg, void* arg) {
  SipCall* call = OwnerOf(arg);
  if (call && call->listener_) call->listener_->OnCallProgress(msg->scode);
}

void SipCall::OnEstablished(const struct sip_msg* msg, void* arg) {
  SipCall* call = OwnerOf(arg);
  if (!call || call->state_ == State::kEnded) return;
  call->state_ = State::kEstablished;
  if (!call->incoming_ && msg) {
    call->ArmLatch(msg->src);
    call->media_->Rtp().StartLatch();
  }
  if (call->listener_) call->listener_->OnCallEstablished();
}

void SipCall::OnInfo(struct sip* sip, const struct sip_msg* msg, void* arg) {
  LDtmfRelay relay;
  if (!msg_ctype_cmp(&msg->ctyp, "application", "dtmf-relay")) {
    (void)sip_treply(nullptr, sip, msg, 415, "Unsupported Media Type");
    return;
  }
  if (!LDtmfRelay::Parse(Body(*msg), relay)) {
    (void)sip_treply(nullptr, sip, msg, 400, "Bad Request");
    return;
  }
  (void)sip_treply(nullptr, sip, msg, 200, "OK");
  SipCall* call = OwnerOf(arg);
  if (call && call->listener_) call->listener_->OnInfoDigit(relay.key, relay.durationMs);
}

void SipCall::OnRefer(struct sip* sip, const struct sip_msg* msg, void*) {
  // We never act as the transferee.
  (void)sip_treply(nullptr, sip, msg, 603, "Decline");
}

void SipCall::OnClose(int err, const struct sip_msg* msg, void* arg) {
  if (SipCall* call = OwnerOf(arg)) call->End(err, msg);
}
