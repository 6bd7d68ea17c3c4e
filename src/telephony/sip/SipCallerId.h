#pragma once

#include <string>
#include <string_view>

// Caller data taken from the header values of an incoming INVITE. Everything
// here is text from the network: it is parsed defensively, percent escapes
// are decoded, control and format characters dropped, bytes that are not
// UTF-8 read as code page 1252, and every result is bounded (never inside
// a character).
struct SipCallerId {
  static constexpr size_t kMaxText = 127;
  static constexpr const char* kBlocked = "Blocked";

  // The number ("Blocked" for anonymous or privacy callers) and the name.
  std::string number;
  std::string name;
  bool blocked = false;

  // From the P-Asserted-Identity value when it holds an address, else from
  // the From value. A Privacy value asking to hide the identity (id, user,
  // header), or an anonymous address, makes the caller blocked. Empty views
  // stand for missing headers.
  static SipCallerId Parse(std::string_view assertedIdentity, std::string_view from,
                           std::string_view privacy);
  // The ring pattern number of an Alert-Info value ("<http://x/Bellcore-dr3>",
  // "<urn:x>;info=ring2"), or 0 when the value names none.
  static int RingPatternNumber(std::string_view alertInfo);
  // The user part of a sip:, sips: or tel: URI, decoded and bounded.
  static std::string UriUser(std::string_view uri);
};
