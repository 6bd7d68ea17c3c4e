#pragma once

#include <functional>
#include <string>
#include <string_view>

// Decodes URL-encoded name=value pairs joined by "&" (a plug-in's output, the
// parameters after "&" in an outbound entry). In names and values "+" stands
// for a space and "%" with two hexadecimal digits (either case) for that
// byte; only a raw "=" ends a name and only a raw "&" ends a value, so the
// encoded forms belong to the text. A "%" not followed by two hexadecimal
// digits is kept as it is. Pairs with an empty name are skipped; `onPair` is
// called for the others in the order they appear.
using QueryPairHandler = std::function<void(const std::string& name, const std::string& value)>;
void ParseQueryText(std::string_view text, const QueryPairHandler& onPair);
