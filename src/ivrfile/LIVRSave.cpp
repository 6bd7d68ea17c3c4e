#include "ivrfile/LIVRSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

#include "audio/LPRSourceToSink.h"
#include "audio/LProgress.h"
#include "audio/LWaveFile.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/IvrFormat.h"
#include "core/TempFile.h"
#include "ivrfile/IvrWriter.h"

namespace {

constexpr std::size_t kBlock = 2048;

// The files named exactly `name` (without case).
std::vector<std::string> Named(const std::string& folder, const std::string& name) {
  std::vector<std::string> paths;
  for (std::string& path : FolderFilesStartingWith(folder, name)) {
    if (PathFileName(path).size() == name.size()) paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace

LIVRSave::LIVRSave(DataFolders folders, IvrSaveDescription description)
    : folders_(std::move(folders)), description_(std::move(description)) {}

ProcessResult LIVRSave::Process(LProgress& progress) {
  progress.SetText(0, kIvrSaveTitle);
  progress.SetText(1, "Creating File.");
  progress.SetProgress(0);
  format_ = LWaveFileFormat();
  format_.ReadWff(ResolveCaseInsensitive(PathJoin(folders_.Root(), kSaveFormatFile)));
  const std::string& path = description_.filename;
  // Owner only: the chosen settings may include passwords.
  UniqueFd fd(path.empty() ? -1
                           : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd.Valid()) {
    Trace("IVRFileSave unable to create %s: %s", path.c_str(), std::strerror(errno));
    error_ = ivrtext::kCreate;
    return kProcessFailed;
  }
  IvrWriter out(fd.Get());
  // Synced, so a write the disk refuses late still fails the save.
  const bool written = WriteRecords(out, progress) && out.Flush() && ::fsync(fd.Get()) == 0;
  fd.Reset();
  if (!written) {
    Trace("IVRFileSave %s failed or was cancelled", path.c_str());
    ::unlink(path.c_str());
    return kProcessFailed;
  }
  return kProcessDone;
}

std::vector<LIVRSave::Pattern> LIVRSave::Patterns() const {
  std::vector<Pattern> patterns;
  const IvrSaveDescription& d = description_;
  // An empty title would stand for the folder's hidden files.
  for (const std::string& ogm : d.ogms) {
    if (!ogm.empty()) patterns.push_back({kIvrTagOgmFile, FolderFilesStartingWith(folders_.Ogms(), ogm + ".")});
  }
  for (const std::string& mbx : d.mailBoxes) {
    if (mbx.empty()) continue;
    patterns.push_back({kIvrTagMailBoxFile, Named(folders_.MailBoxes(), mbx + ".mbx")});
    if (d.mailBoxGreetings) {
      patterns.push_back(
          {kIvrTagMailBoxFile, FolderFilesStartingWith(folders_.MailBoxes(), mbx + " OGM.")});
    }
  }
  for (const std::string& prompt : d.prompts) {
    if (!prompt.empty()) {
      patterns.push_back(
          {kIvrTagPromptFile, FolderFilesStartingWith(folders_.SystemPrompts(), prompt + ".")});
    }
  }
  for (const std::string& program : d.programs) {
    if (!program.empty()) patterns.push_back({kIvrTagDataFile, Named(folders_.Root(), program)});
  }
  return patterns;
}

bool LIVRSave::WriteRecords(IvrWriter& out, LProgress& progress) {
  out.U16(kIvrMagic);
  out.U16(kIvrVersion);
  int started = 0;
  for (const Pattern& pattern : Patterns()) {
    progress.SetProgress(1.0 - std::pow(0.9, started++));
    for (const std::string& path : pattern.paths) {
      if (!WriteFileRecord(out, pattern.tag, path, progress)) return false;
    }
  }
  for (const IvrSaveDescription::Setting& setting : description_.settings) {
    out.Byte(kIvrTagSetting);
    out.ShortString(setting.section);
    out.ShortString(setting.key);
    out.ShortString(setting.value);
  }
  if (description_.ogmDelete) {
    out.Byte(kIvrTagOgmKeepList);
    out.NameList(FolderTitles(folders_.Ogms(), ".ini"));
  }
  if (description_.mailBoxDelete) {
    out.Byte(kIvrTagMailBoxKeepList);
    out.NameList(FolderTitles(folders_.MailBoxes(), ".mbx"));
  }
  if (description_.notes) WriteNotes(out);
  out.Byte(kIvrTagEnd);
  return out.Ok();
}

void LIVRSave::WriteNotes(IvrWriter& out) {
  const std::string path = ResolveCaseInsensitive(PathJoin(folders_.Root(), "notes.txt"));
  const std::optional<std::string> text = ReadFileText(path, kIvrMaxNotes);
  if (!text) return;
  out.Byte(kIvrTagNotes);
  out.U16(static_cast<uint16_t>(text->size()));
  out.Bytes(*text);
  if (description_.notesPopup) out.Byte(kIvrTagShowNotes);
}

bool LIVRSave::WriteFailed(int error, const std::string& path) {
  const std::string folder = path.empty() ? "the temporary folder" : PathFolder(path);
  Trace("IVRFileSave unable to write in %s: %s", folder.c_str(), std::strerror(error));
  error_ = error == ENOSPC || error == EDQUOT
               ? "No space left on the device in " + folder
               : std::string(ivrtext::kCreate) + " (" + folder + ": " + std::strerror(error) + ")";
  return false;
}

bool LIVRSave::WriteFileRecord(IvrWriter& out, uint8_t tag, const std::string& path,
                               LProgress& progress) {
  const std::string name = PathFileName(path);
  if (name.size() > kIvrMaxShortString) {
    Trace("IVRFileSaveFile File Name too long: %s", name.c_str());
    return true;
  }
  // A load would refuse the whole file for it.
  if (!IvrNameIsSafe(tag, name)) {
    Trace("IVRFileSaveFile %s left out: a load would refuse its name", name.c_str());
    return true;
  }
  progress.SetText(1, name);
  std::string content = path;
  TempFile converted;
  if (IvrHasExtension(name, ".wav")) {
    if (!converted.Valid()) return WriteFailed(errno, converted.Path());
    converted.Close();
    LSoundSinkRef sink = LWaveFile::OpenSink(converted.Path(), format_);
    if (!sink) return WriteFailed(EINVAL, converted.Path());  // a PCM depth no sink writes
    const LSoundSinkBase::Failure failure = sink->ShareFailure();
    const ProcessResult result =
        PumpAndFinish("Process Audio", LWaveFile::OpenSource(path), std::move(sink), progress);
    progress.SetText(0, kIvrSaveTitle);
    progress.SetText(1, name);
    if (result == kProcessCancelled) return false;
    // A copy cut short by a full disk would leave the audio out unseen.
    if (failure->load() != 0) return WriteFailed(failure->load(), converted.Path());
    // Audio no load could decode would make the whole file fail to load.
    if (result != kProcessDone) {
      Trace("IVRFileSaveFile %s left out: it cannot be read as WAVE", name.c_str());
      return true;
    }
    content = converted.Path();
  }
  UniqueFd fd(::open(content.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  const bool readable = fd.Valid() && ::fstat(fd.Get(), &info) == 0 && S_ISREG(info.st_mode);
  if (readable && info.st_size > int64_t{0xFFFFFFFF}) {
    Trace("IVRFileSaveFile %s left out: larger than a record holds", name.c_str());
    return true;
  }
  out.Byte(tag);
  out.ShortString(name);
  if (!readable) {
    out.U32(0);
    out.U32(IvrChecksum().Value());
    return out.Ok();
  }
  return WriteContent(out, fd.Get(), static_cast<uint32_t>(info.st_size), progress);
}

bool LIVRSave::WriteContent(IvrWriter& out, int fd, uint32_t size, LProgress& progress) {
  out.U32(size);
  IvrChecksum sum;
  char block[kBlock];
  for (uint32_t done = 0; done < size;) {
    if (progress.IsCancelled()) return false;
    const std::size_t want = std::min<std::size_t>(kBlock, size - done);
    if (ReadUpTo(fd, block, want) != want) {
      Trace("IVRFileSaveFile a file got shorter while it was saved");
      return false;
    }
    sum.Add(block, want);
    out.Bytes(std::string_view(block, want));
    done += static_cast<uint32_t>(want);
  }
  out.U32(sum.Value());
  return out.Ok();
}
