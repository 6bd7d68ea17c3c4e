#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct sipsub;
struct sipevent_sock;
struct sip_dialog;
struct sip;
struct sip_msg;
struct sipevent_substate;

// One blind transfer: a REFER on the call's dialog and the NOTIFY reports
// of its implicit subscription, which tell whether the target answered.
class SipTransfer {
 public:
  using Result = std::function<void(bool success, uint16_t code)>;

  // Sends the REFER to `target` (a SIP URI), answering challenges with
  // `credentials` (SipCredentials). Null when it cannot be sent.
  static std::unique_ptr<SipTransfer> Start(struct sipevent_sock* events, struct sip_dialog* dialog,
                                            const std::string& target, const std::string& contactUser,
                                            void* credentials, Result result);
  ~SipTransfer();
  SipTransfer(const SipTransfer&) = delete;
  SipTransfer& operator=(const SipTransfer&) = delete;

  // Nothing is reported after this.
  void Detach() { result_ = nullptr; }

  // The status code of a message/sipfrag body ("SIP/2.0 200 OK"), 0 when
  // the body holds none.
  static uint16_t SipfragStatus(std::string_view body);

 private:
  explicit SipTransfer(Result result) : result_(std::move(result)) {}
  void Report(bool success, uint16_t code);
  static void OnNotify(struct sip* sip, const struct sip_msg* msg, void* arg);
  static void OnClose(int err, const struct sip_msg* msg, const struct sipevent_substate* substate,
                      void* arg);

  Result result_;
  struct sipsub* subscription_ = nullptr;
};
