#include "ivrfile/IvrFileRecordLoad.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "audio/LPRSourceToSink.h"
#include "audio/LProgress.h"
#include "audio/LSRCFilterBase.h"
#include "audio/LWaveFile.h"
#include "audio/LineRate.h"
#include "audio/SoundFile.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/TempFile.h"
#include "core/Trace.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrLoadReport.h"
#include "ivrfile/IvrRecord.h"
#include "ivrfile/IvrStagedFiles.h"

namespace {

constexpr std::size_t kCopyBlock = 4096;
// No codec yields more than a few line-format frames per byte (MP3 at its
// lowest rate about 8): a header promising more lies about its length.
constexpr int64_t kMaxFramesPerByte = 64;

// Ends a source where its content can end: a lying length in a small file
// would otherwise fill the disk with silence.
class BoundedSource final : public LSRCFilterBase {
 public:
  BoundedSource(LSoundSourceRef upstream, int64_t contentBytes)
      : LSRCFilterBase(std::move(upstream)),
        limit_(static_cast<int32_t>(std::min<int64_t>(
            (contentBytes * kMaxFramesPerByte + kLineRate) * SampleRate() / kLineRate, INT32_MAX))) {}

  void Read(int32_t* buffer, int32_t frames) override { Upstream().Read(buffer, frames); }
  int32_t GetEndSample() override { return std::min(Upstream().GetEndSample(), limit_); }

 private:
  int32_t limit_;
};

// The record's content into `out`, checked again against its checksum: the
// file may have changed since it was checked. `failure` names the fault;
// `writeError` is the error number when `out` refused the data.
ProcessResult CopyContent(int fd, const IvrRecord& record, int out, LProgress& progress,
                          std::string_view& failure, int& writeError) {
  failure = ivrtext::kChecksum;
  writeError = 0;
  std::vector<char> block(kCopyBlock);
  IvrChecksum sum;
  for (uint32_t done = 0; done < record.size;) {
    if (progress.IsCancelled()) return kProcessCancelled;
    const std::size_t want = std::min<std::size_t>(kCopyBlock, record.size - done);
    const std::size_t got = ReadUpToAt(fd, block.data(), want, record.contentOffset + done);
    if (got != want) return kProcessFailed;
    sum.Add(block.data(), got);
    if (!WriteFully(out, std::string_view(block.data(), got))) {
      writeError = errno;
      return kProcessFailed;
    }
    done += static_cast<uint32_t>(got);
  }
  if (::fsync(out) != 0) {
    writeError = errno;
    return kProcessFailed;
  }
  return sum.Value() == record.checksum ? kProcessDone : kProcessFailed;
}

// Said once, as the load's reason: a full disk by its name.
ProcessResult WriteFailed(int error, const std::string& folder, IvrLoadReport& report) {
  Trace("IVRFileLoadFile unable to write in %s: %s", folder.c_str(), std::strerror(error));
  if (error == ENOSPC || error == EDQUOT) {
    report.Show("No space left on the device in " + folder);
  } else {
    report.Show(std::string(ivrtext::kCreate) + " (" + folder + ": " + std::strerror(error) + ")");
  }
  return kProcessFailed;
}

// Copies the content into `out`; failures are shown.
ProcessResult CopyInto(int fd, const IvrRecord& record, int out, const std::string& folder,
                       LProgress& progress, IvrLoadReport& report) {
  std::string_view failure;
  int writeError = 0;
  const ProcessResult copied = CopyContent(fd, record, out, progress, failure, writeError);
  if (writeError != 0) return WriteFailed(writeError, folder, report);
  if (copied == kProcessFailed) report.ShowForRecord(failure);
  return copied;
}

// Another holder's lock on the file (a player, a recorder, a levelling job).
bool InUse(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  return fd.Valid() && ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// Waits about a minute at most, then goes on regardless; false when cancelled.
bool WaitWhileInUse(const std::string& path, const std::string& name, LProgress& progress) {
  if (!InUse(path)) return true;
  progress.SetText(1, "Waiting for file.");
  for (int poll = 0; poll < kIvrWaitPolls && InUse(path); ++poll) {
    if (!progress.CancellableSleep(kIvrWaitPollMs)) return false;
  }
  progress.SetText(1, name);
  return true;
}

// Decodes the content, kept in a temporary file, into line-format WAVE data
// at `place`.
ProcessResult StageAudio(int fd, const IvrRecord& record, bool mp3, const std::string& place,
                         const std::string& folder, LProgress& progress, IvrLoadReport& report) {
  TempFile content;
  if (!content.Valid()) return WriteFailed(errno, PathFolder(content.Path()), report);
  const ProcessResult copied =
      CopyInto(fd, record, content.Fd(), PathFolder(content.Path()), progress, report);
  if (copied != kProcessDone) return copied;
  content.Close();
  LSoundSourceRef source =
      mp3 ? OpenMp3File(content.Path()) : LWaveFile::OpenSource(content.Path());
  if (source->IsError()) {
    Trace("IVRFileLoadFile unable to decode %s", record.name.c_str());
    report.ShowForRecord(ivrtext::kAudio);
    return kProcessFailed;
  }
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(place, kLineRate, 0, 16, 1);
  if (!sink) return WriteFailed(errno, folder, report);
  const LSoundSinkBase::Failure failure = sink->ShareFailure();
  const ProcessResult result =
      LPRSourceToSink("Process Audio", new BoundedSource(std::move(source), record.size), sink)
          .Process(progress);
  sink = LSoundSinkRef();  // finishes the file
  progress.SetText(0, kIvrLoadTitle);
  progress.SetText(1, record.name);
  if (failure->load() != 0) return WriteFailed(failure->load(), folder, report);
  if (result == kProcessFailed) report.ShowForRecord(ivrtext::kAudio);
  return result;
}

ProcessResult StageText(int fd, const IvrRecord& record, const std::string& place,
                        const std::string& dest, const std::string& folder,
                        const IvrTextFilter& filter, LProgress& progress, IvrLoadReport& report) {
  {
    UniqueFd out(::open(place.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!out.Valid()) return WriteFailed(errno, folder, report);
    const ProcessResult copied = CopyInto(fd, record, out.Get(), folder, progress, report);
    if (copied != kProcessDone) return copied;
  }
  if (!filter) return kProcessDone;
  const std::optional<std::string> text = ReadFileText(place, record.size);
  if (!text) return WriteFailed(errno, folder, report);
  if (!ReplaceFileText(place, filter(dest, *text))) return WriteFailed(errno, folder, report);
  return kProcessDone;
}

}  // namespace

ProcessResult LoadIvrFileRecord(int fd, const IvrRecord& record, const std::string& folder,
                                const IvrTextFilter& filter, IvrStagedFiles& staged,
                                LProgress& progress, IvrLoadReport& report) {
  progress.SetText(1, record.name);
  const bool mp3 = IvrHasExtension(record.name, ".mp3");
  const bool audio = mp3 || IvrHasExtension(record.name, ".wav");
  const std::string fileName = mp3 ? PathTitle(record.name) + ".mp3" : record.name;
  std::string dest = PathJoin(folder, fileName);
  // A name the path limit cuts would land on another file.
  if (PathFileName(dest) != fileName) {
    Trace("IVRFileLoadFile %s: the path would be too long", record.name.c_str());
    report.ShowForRecord(ivrtext::kReplace);
    return kProcessDone;
  }
  dest = ResolveCaseInsensitive(dest);
  if (!WaitWhileInUse(dest, record.name, progress)) return kProcessCancelled;
  const std::string place = staged.Create(dest);
  if (place.empty()) return WriteFailed(errno, folder, report);
  if (audio) return StageAudio(fd, record, mp3, place, folder, progress, report);
  return StageText(fd, record, place, dest, folder, filter, progress, report);
}
