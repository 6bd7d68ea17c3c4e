#pragma once

#include <cstdint>
#include <string>

// The disk under the recordings, as the call controllers report it in the
// system log and the status: a warning before a recording starts when little
// space is left, and the error of a recording the disk refused.
namespace recording_disk {

// [settings] "lowspacemb": the warning starts below this many MB free; 0
// turns it off.
inline constexpr int kDefaultLowSpaceMb = 200;

// The warning for `folder`, "" when at least `lowSpaceMb` MB are free, the
// check is off or the free space cannot be told.
std::string LowSpaceWarning(const std::string& folder, int64_t lowSpaceMb);

// Why a message cannot be recorded into `folder` now ("" when it can): the
// folder cannot be written, or not even the message record would fit.
// Asked before the caller is invited to speak.
std::string CannotRecordInto(const std::string& folder);

// Why a recording stopped, from its sink's error number: "the disk is full"
// for a full file system or quota.
std::string FailureReason(int error);

}  // namespace recording_disk
