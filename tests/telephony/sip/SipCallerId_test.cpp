#include "telephony/sip/SipCallerId.h"

#include <gtest/gtest.h>

#include <tuple>

#include "telephony/sip/SipTransfer.h"

namespace {

// An identity without an address (or another scheme) falls back to From;
// anonymous callers and privacy asked for are blocked.
TEST(SipCallerId, AssertedIdentityWinsOverFromNamesAreReadQuotedOrBareAndPrivacyBlocks) {
  for (const auto& [identity, from, privacy, number, name] :
       {std::tuple{R"("Alice \"A\" Example" <sip:+15551234@pbx;user=phone>)", "<sip:100@host>;tag=1", "",
                   "+15551234", "Alice \"A\" Example"},
        {"", "Bob Smith <sips:2001;npdi@example.com:5061>;tag=x", "none", "2001", "Bob Smith"},
        {"<tel:+4930123;phone-context=x>, <sip:9@h>", "<sip:1@h>", "", "+4930123", ""},
        {"<mailto:x@y>", "sip:3003@h;tag=9", "", "3003", ""},
        {"", "<sip:555@h>", "none;session", "555", ""},
        {"", R"("Anonymous" <sip:anonymous@anonymous.invalid>;tag=1)", "", "Blocked", ""},
        {"", "<sip:secret@anonymous.invalid>", "", "Blocked", ""},
        {"<sip:555@h>", "<sip:555@h>", "id", "Blocked", ""},
        {"", "<sip:555@h>", "none; user", "Blocked", ""},
        {"", "<sip:555@h>", "Header;critical", "Blocked", ""}}) {
    const SipCallerId caller = SipCallerId::Parse(identity, from, privacy);
    EXPECT_EQ(std::tuple(caller.number, caller.name, caller.blocked),
              std::tuple(number, name, std::string_view(number) == "Blocked"))
        << from << " " << privacy;
  }
}

TEST(SipCallerId, HostileTextIsDecodedCleanedAndBounded) {
  SipCallerId caller =
      SipCallerId::Parse("", "\"Eve\r\nX-Evil: 1\" <sip:12%0d%0a34%41@h>", "");
  EXPECT_EQ(std::tuple(caller.name, caller.number), std::tuple("EveX-Evil: 1", "1234A"));
  caller = SipCallerId::Parse("", "\"" + std::string(5000, 'n') + "\" <sip:" + std::string(5000, '1') + "@h>", "");
  EXPECT_EQ(std::tuple(caller.name.size(), caller.number.size()),
            std::tuple(SipCallerId::kMaxText, SipCallerId::kMaxText));
  // Format characters go (right-to-left override, zero-width, BOM, C1),
  // bytes that are not UTF-8 are read as code page 1252, and the bound
  // never splits a character.
  caller = SipCallerId::Parse("", "\"Po\xE2\x80\xAElice\xE2\x80\x8B\xEF\xBB\xBF\xC2\x85 Caf\xE9\" <sip:%E2%80%AE911@h>", "");
  EXPECT_EQ(std::tuple(caller.name, caller.number), std::tuple("Police Caf\xC3\xA9", "911"));
  caller = SipCallerId::Parse("", "\"" + std::string(126, 'n') + "\xC3\xA9\" <sip:1@h>", "");
  EXPECT_EQ(caller.name, std::string(126, 'n'));
  // Unclosed quotes and brackets give nothing rather than garbage.
  for (const char* from : {"\"open <sip:1@h>", "Name <sip:1@h", "%zz"})
    EXPECT_EQ(SipCallerId::Parse("", from, "").number, "") << from;
}

TEST(SipCallerId, RingPatternDialledNumberAndSipfragStatusAreReadStrictly) {
  for (const auto& [alertInfo, pattern] :
       {std::pair{"<http://127.0.0.1/Bellcore-dr2>", 2}, {"<urn:alert:service:normal>;info=ring3", 3},
        {"<http://x/ring_12.wav>", 12}, {"<http://address5/hdr4>", 0}, {"<http://x/Bellcore-dr12345>", 0},
        {"info=alert-internal", 0}, {"", 0}})
    EXPECT_EQ(SipCallerId::RingPatternNumber(alertInfo), pattern) << alertInfo;
  EXPECT_EQ(std::tuple(SipCallerId::UriUser("sip:0800123@192.0.2.1:5060;transport=udp"),
                       SipCallerId::UriUser("sip:192.0.2.1"), SipCallerId::UriUser("tel:+1555")),
            std::tuple("0800123", "", "+1555"));
  for (const auto& [sipfrag, code] :
       {std::pair{"SIP/2.0 200 OK\r\n", 200}, {"\r\nSIP/2.0 486 Busy Here", 486}, {"SIP/2.0 100", 100},
        {"SIP/2.0 20", 0}, {"SIP/2.0 2000 x", 0}, {"HTTP/1.1 200 OK", 0}, {"", 0}})
    EXPECT_EQ(SipTransfer::SipfragStatus(sipfrag), code) << sipfrag;
}

}  // namespace
