#pragma once

#include <string>

// The user name and password handed to libre's digest authentication. The
// copy lives in libre's reference-counted memory, so a registration or
// session that outlives its owner (an unREGISTER or BYE still under way)
// can still answer a challenge.
struct SipCredentials {
  // A new reference (mem_deref releases it); null when out of memory.
  static void* Allocate(const std::string& user, const std::string& password);
  // The sip_auth_h callback; `credentials` is what Allocate returned.
  static int Provide(char** user, char** password, const char* realm, void* credentials);
};
