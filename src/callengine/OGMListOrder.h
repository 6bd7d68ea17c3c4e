#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two orders of the OGM list: alphabetical, and logical, the order in
// which a caller reaches the OGMs from the answering OGM.
namespace ogm_list_order {

// "logicalorder" of an OGM that has no number yet.
inline constexpr int kUnnumbered = 268435455;

// The names of every "*.ini" of `folder`, byte-wise sorted.
std::vector<std::string> Alphabetical(const std::string& folder);

// Numbers the OGMs breadth first from `answering`: its "go" targets in key
// order (press1..press9, press0, press#, press*, playcomplete), then theirs;
// OGMs nothing reaches follow alphabetically, each with the OGMs it reaches
// after it. Every number is written to the OGM's [ivr] "logicalorder". When
// a number does not stick (the files are read only) the list cannot be
// made: nothing is returned.
std::optional<std::vector<std::string>> Logical(const std::string& folder, std::string_view answering);

}  // namespace ogm_list_order
