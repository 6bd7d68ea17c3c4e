#include "telephony/sip/SipMediaSession.h"

#include <re.h>

#include <cstring>

#include "core/Trace.h"

namespace {

bool NameIs(const struct sdp_format& format, const char* name) {
  return format.name && str_casecmp(format.name, name) == 0;
}

// Static types may come without an rtpmap line, so the number decides too.
int AudioTypeOf(const struct sdp_format& format) {
  if (format.pt == SipMediaDescription::kPcmu || NameIs(format, "PCMU"))
    return SipMediaDescription::kPcmu;
  if (format.pt == SipMediaDescription::kPcma || NameIs(format, "PCMA"))
    return SipMediaDescription::kPcma;
  return -1;
}

}  // namespace

std::unique_ptr<SipMediaSession> SipMediaSession::Open(const std::string& localIp) {
  std::unique_ptr<SipMediaSession> media(new SipMediaSession());
  media->rtp_ = SipRtpSocket::Open(localIp);
  if (!media->rtp_) return nullptr;
  struct sa local;
  int err = sa_set_str(&local, localIp.c_str(), 0);
  if (!err) err = sdp_session_alloc(&media->sdp_, &local);
  if (!err)
    err = sdp_media_add(&media->audio_, media->sdp_, sdp_media_audio, media->rtp_->LocalPort(),
                        sdp_proto_rtpavp);
  if (!err) err = sdp_format_add(nullptr, media->audio_, false, "0", "PCMU", 8000, 1, nullptr,
                                 nullptr, nullptr, false, nullptr);
  if (!err) err = sdp_format_add(nullptr, media->audio_, false, "8", "PCMA", 8000, 1, nullptr,
                                 nullptr, nullptr, false, nullptr);
  if (!err) err = sdp_format_add(nullptr, media->audio_, false, "101", "telephone-event", 8000, 1,
                                 nullptr, nullptr, nullptr, false, "0-15");
  if (!err) err = sdp_media_set_lattr(media->audio_, true, sdp_attr_ptime, "%d", kPacketMs);
  if (err) {
    Trace("SipMediaSession::Open SDP set-up FAILED: %s", std::strerror(err));
    return nullptr;
  }
  return media;
}

SipMediaSession::~SipMediaSession() { mem_deref(sdp_); }

bool SipMediaSession::Encode(struct mbuf** description, bool offer) {
  const int err = sdp_encode(description, sdp_, offer);
  if (err) Trace("SipMediaSession::Encode sdp_encode FAILED: %s", std::strerror(err));
  return err == 0;
}

bool SipMediaSession::Decode(struct mbuf* body, bool offer) {
  if (!body || mbuf_get_left(body) == 0) return false;
  const size_t pos = body->pos;
  const int err = sdp_decode(sdp_, body, offer);
  body->pos = pos;
  if (err) {
    Trace("SipMediaSession SDP %s not readable: %s", offer ? "offer" : "answer",
          std::strerror(err));
    return false;
  }
  ReadRemote();
  if (remote_.audioPayloadType < 0) {
    Trace("SipMediaSession SDP %s has neither PCMU nor PCMA", offer ? "offer" : "answer");
    return false;
  }
  return true;
}

void SipMediaSession::ReadRemote() {
  remote_ = SipMediaDescription{};
  for (const struct le* le = list_head(sdp_media_format_lst(audio_, false)); le; le = le->next) {
    const auto& format = *static_cast<const struct sdp_format*>(le->data);
    remote_.payloadTypes.push_back(format.pt);
    if (remote_.audioPayloadType < 0) remote_.audioPayloadType = AudioTypeOf(format);
    if (remote_.telephoneEventPayloadType < 0 && NameIs(format, "telephone-event") &&
        format.srate == SipMediaDescription::kAudioClockRate)
      remote_.telephoneEventPayloadType = format.pt;
  }
  const struct sa* address = sdp_media_raddr(audio_);
  char host[64] = "";
  const bool receives = sdp_media_rport(audio_) != 0 && (sdp_media_rdir(audio_) & SDP_RECVONLY);
  if (address && receives && !sa_is_any(address) && sa_ntop(address, host, sizeof host) == 0)
    remote_.remote = {host, sa_port(address)};
  rtp_->SetRemote(remote_.remote);
}
