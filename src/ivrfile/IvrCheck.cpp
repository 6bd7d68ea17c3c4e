#include "ivrfile/IvrCheck.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "audio/LProgress.h"
#include "audio/LProgressSilent.h"
#include "core/FileIo.h"
#include "core/IniFile.h"
#include "core/TextFormat.h"
#include "core/Trace.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrReader.h"

namespace {

enum class Step { kNext, kEnd, kFailed, kCancelled };

class Checker {
 public:
  Checker(int fd, int64_t size, LProgress& progress, IvrCheck& check)
      : reader_(fd), size_(size), progress_(progress), check_(check) {}

  void Run() {
    if (size_ == 0) return Fail(ivrtext::kZeroLength, "zero length");
    uint16_t magic = 0;
    uint16_t version = 0;
    if (!reader_.U16(magic) || magic != kIvrMagic) return Fail(ivrtext::kFileType, "magic");
    if (!reader_.U16(version)) return Fail(ivrtext::kInvalidTag, "no version");
    if (version != kIvrVersion) return Fail(ivrtext::kFileVersion, "version");
    for (;;) {
      if (progress_.IsCancelled()) {
        check_.result = kProcessCancelled;
        return;
      }
      IvrRecord record;
      const Step step = Record(record);
      if (step == Step::kFailed || step == Step::kCancelled) return;
      record.end = reader_.Position();
      check_.records.push_back(std::move(record));
      if (step == Step::kEnd) break;
    }
    check_.result = kProcessDone;
  }

 private:
  Step Record(IvrRecord& record) {
    if (!reader_.Byte(record.tag)) record.tag = kIvrTagMissing;
    switch (record.tag) {
      case kIvrTagOgmFile:
      case kIvrTagPromptFile:
      case kIvrTagMailBoxFile:
      case kIvrTagDataFile:
        return FileRecord(record);
      case kIvrTagOgmKeepList:
      case kIvrTagMailBoxKeepList:
        return KeepList(record);
      case kIvrTagSetting:
        return Setting(record);
      case kIvrTagNotes: {
        uint16_t size = 0;
        if (!reader_.U16(size) || !reader_.Bytes(size, record.text)) return Incomplete("notes");
        return Step::kNext;
      }
      case kIvrTagShowNotes:
        return Step::kNext;
      case kIvrTagEnd:
        return Step::kEnd;
      default:
        return Incomplete("tag");
    }
  }

  Step FileRecord(IvrRecord& record) {
    check_.inFileRecord = true;
    if (!reader_.ShortString(record.name)) return Corrupt("name cut short");
    if (!IvrNameIsSafe(record.tag, record.name)) return Corrupt("name leaves its folder");
    if (!reader_.U32(record.size)) return Corrupt("size cut short");
    record.contentOffset = reader_.Position();
    if (record.size > size_ - record.contentOffset) return Corrupt("size past the end");
    IvrChecksum sum;
    switch (reader_.Sum(record.size, sum, progress_)) {
      case IvrReader::SumResult::kCancelled:
        check_.result = kProcessCancelled;
        return Step::kCancelled;
      case IvrReader::SumResult::kShort:
        return Corrupt("content cut short");
      case IvrReader::SumResult::kDone:
        break;
    }
    if (!reader_.U32(record.checksum) || record.checksum != sum.Value()) {
      return Corrupt("checksum");
    }
    check_.inFileRecord = false;
    return Step::kNext;
  }

  Step KeepList(IvrRecord& record) {
    uint16_t count = 0;
    if (!reader_.U16(count)) return Incomplete("keep-list");
    for (uint16_t i = 0; i < count; ++i) {
      std::string title;
      if (!reader_.ShortString(title)) return Incomplete("keep-list");
      record.titles.push_back(std::move(title));
    }
    return Step::kNext;
  }

  // Names the settings file cannot hold would be lost or misplaced.
  Step Setting(IvrRecord& record) {
    if (!reader_.ShortString(record.section) || !reader_.ShortString(record.key) ||
        !reader_.ShortString(record.value)) {
      return Incomplete("setting");
    }
    if (!IniFile::ValidSectionName(record.section) || !IniFile::ValidKeyName(record.key)) {
      return Incomplete("setting name");
    }
    return Step::kNext;
  }

  Step Corrupt(const char* what) {
    Fail(ivrtext::kChecksum, what);
    return Step::kFailed;
  }
  Step Incomplete(const char* what) {
    Fail(ivrtext::kInvalidTag, what);
    return Step::kFailed;
  }
  void Fail(std::string_view text, const char* what) {
    Trace("IVRFileLoad refused at byte %lld: %s", static_cast<long long>(reader_.Position()),
          what);
    check_.result = kProcessFailed;
    check_.error = text;
  }

  IvrReader reader_;
  int64_t size_;
  LProgress& progress_;
  IvrCheck& check_;
};

}  // namespace

IvrCheck CheckIvrFile(int fd, int64_t size, LProgress& progress) {
  IvrCheck check;
  Checker(fd, size, progress, check).Run();
  return check;
}

std::string IvrFileProblem(const std::string& path) {
  int64_t size = 0;
  const UniqueFd fd = OpenIvrFile(path, size);
  if (!fd.Valid()) return std::string(ivrtext::kUnableToOpen);
  LProgressSilent progress;
  return CheckIvrFile(fd.Get(), size, progress).error;
}

std::string IvrSpaceProblem(const std::string& dataRoot, const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  const std::optional<uint64_t> free = FreeDiskBytes(dataRoot);
  if (error || !free || *free >= size) return {};
  return TextFormat("no space left on the device in %s (%llu KB free, the file alone holds %llu KB)",
                    dataRoot.c_str(), static_cast<unsigned long long>(*free / 1024),
                    static_cast<unsigned long long>(size / 1024));
}

UniqueFd OpenIvrFile(const std::string& path, int64_t& size) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (fd.Valid() && ::fstat(fd.Get(), &info) == 0 && !S_ISREG(info.st_mode)) errno = EINVAL;
  if (!fd.Valid() || !S_ISREG(info.st_mode)) return UniqueFd();
  size = info.st_size;
  return fd;
}
