#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "core/TextCompare.h"

// How parameters appear in stored texts (file names, numbers, log lines).

// The size of the buffer the in-place expansion works in: 259 characters.
inline constexpr std::size_t kExpandSize = 260;

// Copies `text` to `output` (at most size - 1 bytes, cut without splitting a
// UTF-8 character), replacing each name enclosed in "%" signs by its
// parameter. An unset or empty parameter named "cid", "callername", "did" or
// "drn" (any case) gives the call's own value, any other gives nothing. A "%"
// without a closing one takes the rest of the text as the name; names are cut
// to 259 characters. Returns whether any "%" occurred.
bool ExpandParameters(std::string_view text, std::string& output, std::size_t size,
                      const LHashTable& parms, const LCallIdentity& call);
// Expands `text` within kExpandSize and replaces it only when a "%" occurred,
// so text without parameters is left as it was.
bool ExpandParameters(std::string& text, const LHashTable& parms, const LCallIdentity& call);
// As above for a file name or path. Values come from callers and plug-ins,
// so each loses its "/" and "\" characters and one of dots alone gives
// nothing: a value can neither leave the folder the text names nor
// start an absolute path.
bool ExpandPathParameters(std::string& text, const LHashTable& parms, const LCallIdentity& call);

// "%number%" names the same variable as "number".
std::string StripPercent(std::string_view name);

// Whether `value` is one item of a comma-separated list. Around each item,
// leading spaces, one leading double quote, trailing spaces and one trailing
// double quote are removed; the match is exact and case-sensitive.
bool ListContains(std::string_view list, std::string_view value);
