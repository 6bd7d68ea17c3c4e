#include "ivrfile/IvrFileRecordLoad.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstring>
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
#include "core/Trace.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrLoadReport.h"
#include "ivrfile/IvrRecord.h"
#include "core/TempFile.h"

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
// file may have changed since it was checked. `failure` names the fault.
ProcessResult CopyContent(int fd, const IvrRecord& record, int out, LProgress& progress,
                          std::string_view& failure) {
  failure = ivrtext::kChecksum;
  std::vector<char> block(kCopyBlock);
  IvrChecksum sum;
  for (uint32_t done = 0; done < record.size;) {
    if (progress.IsCancelled()) return kProcessCancelled;
    const std::size_t want = std::min<std::size_t>(kCopyBlock, record.size - done);
    const std::size_t got = ReadUpToAt(fd, block.data(), want, record.contentOffset + done);
    if (got != want) return kProcessFailed;
    sum.Add(block.data(), got);
    if (!WriteFully(out, std::string_view(block.data(), got))) {
      Trace("IVRFileLoadFile unable to write a temporary file: %s", std::strerror(errno));
      failure = ivrtext::kCreate;
      return kProcessFailed;
    }
    done += static_cast<uint32_t>(got);
  }
  return sum.Value() == record.checksum ? kProcessDone : kProcessFailed;
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

// Decodes the content into a line-format WAVE file that replaces `dest`.
ProcessResult DecodeAudio(TempFile& content, bool mp3, const std::string& dest,
                          const IvrRecord& record, LProgress& progress, IvrLoadReport& report) {
  content.Close();
  LSoundSourceRef source =
      mp3 ? OpenMp3File(content.Path()) : LWaveFile::OpenSource(content.Path());
  TempFile decoded;
  if (source->IsError() || !decoded.Valid()) {
    Trace("IVRFileLoadFile unable to decode %s", record.name.c_str());
    report.ShowForRecord(ivrtext::kAudio);
    return kProcessFailed;
  }
  decoded.Close();
  ProcessResult result =
      LPRSourceToSink("Process Audio", new BoundedSource(std::move(source), record.size),
                      LWaveFile::OpenSinkPCM(decoded.Path(), kLineRate, 0, 16, 1))
          .Process(progress);
  progress.SetText(0, kIvrLoadTitle);
  progress.SetText(1, record.name);
  if (result == kProcessFailed) report.ShowForRecord(ivrtext::kAudio);
  if (result != kProcessDone) return result;
  if (!decoded.MoveOver(dest)) {
    Trace("IVRFileLoadFile unable to replace %s: %s", dest.c_str(), std::strerror(errno));
    report.ShowForRecord(ivrtext::kReplace);
  }
  return kProcessDone;
}

}  // namespace

ProcessResult LoadIvrFileRecord(int fd, const IvrRecord& record, const std::string& folder,
                                LProgress& progress, IvrLoadReport& report) {
  progress.SetText(1, record.name);
  TempFile content;
  if (!content.Valid()) {
    report.Show(ivrtext::kCreate);
    return kProcessFailed;
  }
  std::string_view failure;
  const ProcessResult copied = CopyContent(fd, record, content.Fd(), progress, failure);
  if (copied == kProcessFailed) report.ShowForRecord(failure);
  if (copied != kProcessDone) return copied;

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
  if (audio) return DecodeAudio(content, mp3, dest, record, progress, report);
  if (!content.MoveOver(dest)) {
    Trace("IVRFileLoadFile unable to replace %s: %s", dest.c_str(), std::strerror(errno));
    report.ShowForRecord(ivrtext::kReplace);
  }
  return kProcessDone;
}
