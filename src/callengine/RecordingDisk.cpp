#include "callengine/RecordingDisk.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "core/FileIo.h"
#include "core/TextFormat.h"

namespace recording_disk {

namespace {

constexpr uint64_t kMb = 1024 * 1024;
// One block: without it not even the message record can be written. A disk
// with a little more still keeps what fits of a message.
constexpr uint64_t kLeastFreeBytes = 4096;

}  // namespace

std::string LowSpaceWarning(const std::string& folder, int64_t lowSpaceMb) {
  if (lowSpaceMb <= 0) return {};
  const std::optional<uint64_t> free = FreeDiskBytes(folder);
  if (!free || *free >= static_cast<uint64_t>(lowSpaceMb) * kMb) return {};
  return TextFormat("Low disk space: %llu MB free in %s (the warning starts below %lld MB)",
                    static_cast<unsigned long long>(*free / kMb), folder.c_str(),
                    static_cast<long long>(lowSpaceMb));
}

std::string CannotRecordInto(const std::string& folder) {
  if (::access(folder.c_str(), W_OK) != 0) {
    return TextFormat("%s cannot be written (%s)", folder.c_str(), std::strerror(errno));
  }
  const std::optional<uint64_t> free = FreeDiskBytes(folder);
  if (free && *free < kLeastFreeBytes) return "no space left on the device in " + folder;
  return {};
}

std::string FailureReason(int error) {
  if (error == ENOSPC || error == EDQUOT) return "the disk is full";
  return TextFormat("the file could not be written (%s)", std::strerror(error));
}

}  // namespace recording_disk
