#pragma once

#include <string>

struct sip_msg;

// The option tags of a request's Require headers, each once, joined by ", "
// for an Unsupported header; empty when it requires nothing. The engine
// supports no extension a request may require (reliable provisional
// responses included), so every tag named here is one it lacks. Text from
// the network: only token characters are kept and the result is bounded.
std::string SipRequiredOptions(const struct sip_msg& msg);
