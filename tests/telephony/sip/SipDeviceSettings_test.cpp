#include "telephony/sip/SipDeviceSettings.h"

#include <gtest/gtest.h>

#include <memory>

#include "SipTestSupport.h"
#include "core/Profile.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipStack.h"

namespace {

class SipDeviceSettingsTest : public SipLoopFixture {};

TEST_F(SipDeviceSettingsTest, ReadsEveryKeyAndFallsBackOnUnknownWords) {
  WriteDevice(3, {{"name", "Provider"}, {"mode", "Register"}, {"user", "alice"},
                  {"authuser", "alice-auth"}, {"password", "pw"}, {"registrar", "sip:reg.example:5070"},
                  {"outboundproxy", "proxy.example"}, {"transport", "TLS"},
                  {"localaddress", "0.0.0.0:5080"}, {"expiry", "10"}, {"dtmfmode", "info"},
                  {"rtplatch", "Any"}, {"anyhost", "true"}});
  WriteDevice(1, {{"transport", "carrier pigeon"}, {"dtmfmode", "?"}, {"rtplatch", "sometimes"}});
  WriteDevice(2, {{"rtplatch", "off"}});
  const std::vector<SipDeviceSettings> devices = SipDeviceSettings::ReadAll(settings_);
  ASSERT_EQ(devices.size(), 3u);
  const SipDeviceSettings &odd = devices[0], &unlatched = devices[1], &provider = devices[2];
  EXPECT_EQ(std::tuple(odd.name, odd.transport, odd.dtmfMode, odd.expirySeconds, odd.rtpLatch),
            std::tuple("SIP device 1", SipTransport::kUdp, SipDtmfMode::kRfc4733,
                       SipDeviceSettings::kDefaultExpirySeconds, SipRtpLatchMode::kSignalling));
  EXPECT_EQ(std::tuple(unlatched.rtpLatch, provider.rtpLatch, odd.acceptAnyHost, provider.acceptAnyHost),
            std::tuple(SipRtpLatchMode::kOff, SipRtpLatchMode::kAny, false, true));
  EXPECT_EQ(std::tuple(provider.name, provider.mode, provider.AuthName(), provider.transport,
                       provider.localAddress),
            std::tuple("Provider", SipDeviceMode::kRegister, "alice-auth", SipTransport::kTls,
                       "0.0.0.0:5080"));
  EXPECT_EQ(std::tuple(provider.expirySeconds, provider.dtmfMode, provider.AddressDomain()),
            std::tuple(SipDeviceSettings::kMinExpirySeconds, SipDtmfMode::kInfo, "reg.example"));
  // A bare number goes where the registrar listens, or to the domain.
  EXPECT_EQ(provider.DialDomain(), "reg.example:5070");
  SipDeviceSettings withDomain = provider;
  withDomain.domain = "example.org";
  EXPECT_EQ(withDomain.DialDomain(), "example.org");
  // Credentials go to the registrar, the outbound proxy and, with a
  // registrar, the domain; to nobody else.
  EXPECT_EQ(provider.ProviderHosts(), (std::vector<std::string>{"reg.example", "proxy.example"}));
  const std::pair<const char*, bool> targets[] = {
      {"sip:123@reg.example:5070;transport=tls", true}, {"sip:desk@PROXY.example", true},
      {"sip:x@example.org", true}, {"sip:x@evil.example", false}, {"reg.example.evil:5060", false}, {"", false}};
  for (const auto& [target, ours] : targets) EXPECT_EQ(withDomain.IsProviderHost(target), ours) << target;
  EXPECT_FALSE(odd.IsProviderHost("sip:1@127.0.0.1"));  // a direct device has no provider
}

TEST_F(SipDeviceSettingsTest, FirstStartWritesTheLoopbackDeviceAndEnumeratesIt) {
  SipStack stack(settings_, log_, runner_.clock_);
  ASSERT_EQ(stack.DeviceCount(), 1);
  EXPECT_EQ(ProfileReadString(settings_, "sipdevice0", "localaddress", ""), "127.0.0.1:5060");
  EXPECT_EQ(std::tuple(stack.GetLineName(0), stack.IsVoiceCapable(0), stack.GetLineName(1),
                       stack.IsVoiceCapable(1)),
            std::tuple("Local SIP", true, "", false));
  EXPECT_EQ(stack.Device(1), nullptr);
}

// A taken port moves a device to the next free one; a TLS device listens
// with its own certificate; one that cannot listen stays listed but unusable.
TEST_F(SipDeviceSettingsTest, DevicesListenWhereTheyCanAndSayWhatTheyCouldNot) {
  const uint16_t port = FreeLoopbackPort();
  const std::string address = "127.0.0.1:" + std::to_string(port);
  WriteDevice(0, {{"name", "First"}, {"localaddress", address}});
  WriteDevice(1, {{"name", "Second"}, {"localaddress", address}, {"transport", "tcp"}});
  WriteDevice(2, {{"name", "Secure"}, {"transport", "tls"}, {"localaddress", "127.0.0.1:0"}});
  WriteDevice(3, {{"name", "Broken"}, {"localaddress", "192.0.2.250:5060"}});
  WriteDevice(4, {{"name", "Any"}, {"localaddress", "0.0.0.0:0"}});
  SipStack stack(settings_, log_, runner_.clock_);
  for (int device = 0; device < 3; ++device) ASSERT_NE(stack.Device(device), nullptr) << device;
  EXPECT_EQ(stack.Device(0)->ListenPort(), port);
  EXPECT_GT(stack.Device(1)->ListenPort(), port);
  EXPECT_TRUE(Logged("SIP device Second: port " + std::to_string(port) + " is in use"));
  EXPECT_NE(stack.Device(2)->ListenPort(), 0);
  EXPECT_EQ(stack.Device(2)->TargetUri("7001"), "sip:7001@127.0.0.1;transport=tls");
  EXPECT_TRUE(Logged("SIP device Secure: TLS server certificates are not verified"));
  EXPECT_EQ(std::tuple(stack.DeviceCount(), stack.GetLineName(3), stack.Device(3)), std::tuple(5, "Broken", nullptr));
  // The library cannot listen on "any": the address that reaches the network stands in.
  ASSERT_NE(stack.Device(4), nullptr);
  EXPECT_FALSE(stack.Device(4)->ListenAddress().starts_with("0.0.0.0")) << stack.Device(4)->ListenAddress();
  EXPECT_TRUE(Logged("SIP device Any listens on " + stack.Device(4)->ListenAddress()));
  EXPECT_TRUE(Logged("SIP device Broken cannot listen"));
}

}  // namespace
