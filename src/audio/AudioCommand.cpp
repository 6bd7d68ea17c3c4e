#include "audio/AudioCommand.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/AudioImport.h"
#include "audio/AutoGainControl.h"
#include "audio/LCodecBytes.h"
#include "audio/LMP3Source.h"
#include "audio/LPRSourceToSink.h"
#include "audio/LProgressConsole.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/WaveFileIo.h"
#include "core/CommandLine.h"
#include "core/UniqueFd.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zavotel audio info FILE\n"
               "       zavotel audio convert IN OUT [--format NAME|TAG,RATE,CHANNELS,BITS]\n"
               "       zavotel audio formats\n"
               "       zavotel audio import IN OUT\n"
               "       zavotel audio level FILE\n");
  return kExitUsage;
}

int Fail(const std::string& path, const char* what) {
  std::fprintf(stderr, "zavotel: %s: %s\n", path.c_str(), what);
  return kExitFailed;
}

// "h:mm:ss.mmm"
std::string Duration(int64_t frames, int32_t rate) {
  int64_t ms = frames * 1000 / rate;
  char text[48];
  std::snprintf(text, sizeof text, "%" PRId64 ":%02d:%02d.%03d", ms / 3600000,
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return text;
}

std::string_view FormatName(const LWaveFileFormat& format) {
  for (const LSupportedFormat& entry : LSupportedFormats::All()) {
    if (entry.tag == format.Tag() &&
        (entry.tag != LWaveFileFormat::kTagPcm || entry.bits == format.BitsPerSample())) {
      return entry.name;
    }
  }
  return format.Tag() == LWaveFileFormat::kTagPcm ? "PCM" : "unknown";
}

// The "fmt " chunk of a file that LWaveFile::OpenSource accepted: the
// sources keep their format to themselves.
// Codec sources only estimate their end until they have decoded it all.
int32_t ExactEnd(LSoundSourceBase& source, bool estimated) {
  if (!estimated || source.IsStreaming()) return source.GetEndSample();
  std::vector<int32_t> block(static_cast<size_t>(LPRSourceToSink::kBlockFrames) *
                             source.Channels());
  do {
    source.Read(block.data(), LPRSourceToSink::kBlockFrames);
  } while (source.GetPosition() < source.GetEndSample());
  return source.GetEndSample();
}

// Why a file could not be opened: not a WAVE file at all, or a WAVE format
// that has no decoder here.
int Unreadable(const std::string& path) {
  LWaveFileFormat format;
  if (!LWaveFile::ReadFormat(path, format)) {
    return Fail(path, "not a WAVE file this system can read");
  }
  char what[96];
  std::snprintf(what, sizeof what, "WAVE format %.*s (tag 0x%04X) cannot be decoded here",
                static_cast<int>(FormatName(format).size()), FormatName(format).data(),
                format.Tag());
  return Fail(path, what);
}

// A file that is no WAVE file may be an MP3 file.
LSoundSourceRef OpenInput(const std::string& path) {
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  if (!source->IsError()) return source;
  LSoundSourceRef mp3 = LMP3Source::Open(path);
  return mp3->IsError() ? source : mp3;
}

int Mp3Info(LSoundSourceBase& source) {
  const int32_t frames = ExactEnd(source, true);
  std::printf("format     MP3\n");
  std::printf("rate       %d Hz\n", static_cast<int>(source.SampleRate()));
  std::printf("channels   %d\n", source.Channels());
  std::printf("length     %d frames, %s\n", static_cast<int>(frames),
              Duration(frames, source.SampleRate()).c_str());
  std::printf("streaming  no\n");
  return 0;
}

int Info(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage();
  const std::string& path = args[1];
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  if (source->IsError()) {
    LSoundSourceRef mp3 = LMP3Source::Open(path);
    if (!mp3->IsError()) return Mp3Info(*mp3);
  }
  LWaveFileFormat format;
  if (source->IsError() || !LWaveFile::ReadFormat(path, format)) return Unreadable(path);
  const bool pcm = format.Tag() == LWaveFileFormat::kTagPcm && format.BitsPerSample() <= 16;
  const int32_t frames = ExactEnd(*source, !pcm);
  std::printf("format     %.*s\n", static_cast<int>(FormatName(format).size()),
              FormatName(format).data());
  std::printf("tag        %u (0x%04X)\n", format.Tag(), format.Tag());
  std::printf("rate       %d Hz\n", static_cast<int>(source->SampleRate()));
  std::printf("channels   %d\n", source->Channels());
  std::printf("bits       %u\n", format.BitsPerSample());
  std::printf("length     %d frames, %s\n", static_cast<int>(frames),
              Duration(frames, source->SampleRate()).c_str());
  std::printf("streaming  %s\n", source->IsStreaming() ? "yes" : "no");
  return 0;
}

bool ParseNumber(std::string_view text, uint32_t& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// NAME (as "zavotel audio formats" lists them) or TAG,RATE,CHANNELS,BITS.
bool ParseFormat(std::string_view text, LWaveFileFormat& format) {
  if (text.find(',') == std::string_view::npos) {
    const LSupportedFormat* entry = LSupportedFormats::FindByName(text);
    return entry && LSupportedFormats::Fill(*entry, format);
  }
  uint32_t fields[4];
  for (uint32_t& field : fields) {
    size_t comma = std::min(text.find(','), text.size());
    if (!ParseNumber(text.substr(0, comma), field)) return false;
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
  if (!text.empty() || fields[0] > 0xFFFF || fields[2] > 0xFFFF || fields[3] > 0xFFFF) return false;
  LSupportedFormat entry{};
  entry.tag = static_cast<uint16_t>(fields[0]);
  entry.rate = fields[1];
  entry.channels = static_cast<uint16_t>(fields[2]);
  entry.bits = static_cast<uint16_t>(fields[3]);
  return LSupportedFormats::Fill(entry, format);
}

int Formats() {
  for (const LSupportedFormat& entry : LSupportedFormats::All()) {
    std::printf("%-16.*s %u,%u,%u,%u\n", static_cast<int>(entry.name.size()), entry.name.data(),
                entry.tag, entry.rate, entry.channels, entry.bits);
  }
  return 0;
}

// A fresh file next to `path` (so the final rename stays on one file
// system), created with the usual permissions.
std::string CreatePartFile(const std::string& path) {
  std::string part = path + ".part" + std::to_string(::getpid());
  UniqueFd fd(::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  return fd.Valid() ? part : std::string();
}

// Pumps `source` into the file `part`, written in `format`; the file is
// complete when this returns.
ProcessResult Pump(LSoundSourceRef source, const std::string& part, const LWaveFileFormat& format,
                   const std::string& title) {
  LProgressConsole progress(stderr, true);
  return PumpAndFinish(title, std::move(source), LWaveFile::OpenSink(part, format), progress);
}

int Convert(const std::vector<std::string>& args) {
  LWaveFileFormat format;  // 16-bit PCM, 8000 Hz, mono
  std::vector<std::string> paths;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--format" && i + 1 < args.size()) {
      if (!ParseFormat(args[++i], format)) {
        std::fprintf(stderr, "zavotel: %s: not a format this system can write\n",
                     args[i].c_str());
        return kExitUsage;
      }
    } else if (args[i].rfind("--", 0) == 0) {
      return Usage();
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.size() != 2) return Usage();
  const std::string& in = paths[0];
  const std::string& out = paths[1];
  LSoundSourceRef source = OpenInput(in);
  if (source->IsError()) return Unreadable(in);
  if (source->Channels() > 2 && source->Channels() != format.Channels()) {
    return Fail(in, "has more than two channels; only mono and stereo can be converted");
  }
  const std::string part = CreatePartFile(out);
  if (part.empty()) return Fail(out, std::strerror(errno));
  ProcessResult result = Pump(std::move(source), part, format, "Converting " + in);
  if (result == kProcessDone && ::rename(part.c_str(), out.c_str()) == 0) return 0;
  int error = errno;
  ::unlink(part.c_str());
  if (result == kProcessCancelled) {
    std::fprintf(stderr, "zavotel: interrupted\n");
    return kExitInterrupted;
  }
  return Fail(out, result == kProcessDone ? std::strerror(error) : "cannot be written");
}

// The result of a levelling run on the terminal.
int Levelled(const std::string& path, AutoGainControl::Result result, LProgressConsole& progress) {
  if (result == AutoGainControl::kNotWave) return Unreadable(path);
  if (result == AutoGainControl::kDone) return 0;
  if (progress.IsCancelled()) {
    std::fprintf(stderr, "zavotel: interrupted\n");
    return kExitInterrupted;
  }
  return Fail(path, "could not be levelled");
}

// A WAVE or MP3 file into the line format, levelled, at OUT.
int Import(const std::vector<std::string>& args) {
  if (args.size() != 3) return Usage();
  const std::string& in = args[1];
  const std::string& out = args[2];
  const std::string part = CreatePartFile(out);
  if (part.empty()) return Fail(out, std::strerror(errno));
  LProgressConsole progress(stderr, true);
  int status = kExitFailed;
  if (!LoadAudioFile(in, part, progress, nullptr)) {
    status = progress.IsCancelled() ? kExitInterrupted : Fail(in, "cannot be read or imported");
  } else {
    status = Levelled(part, AutoGainControl::Process(part, progress, nullptr), progress);
  }
  if (status == 0 && ::rename(part.c_str(), out.c_str()) != 0) status = Fail(out, std::strerror(errno));
  if (status != 0) ::unlink(part.c_str());
  return status;
}

// Levels FILE in place.
int Level(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage();
  LProgressConsole progress(stderr, true);
  return Levelled(args[1], AutoGainControl::Process(args[1], progress, nullptr), progress);
}

}  // namespace

int RunAudioCommand(const CommandLine& line) {
  const std::vector<std::string>& args = line.arguments;
  if (args.empty()) return Usage();
  if (args[0] == "info") return Info(args);
  if (args[0] == "convert") return Convert(args);
  if (args[0] == "formats" && args.size() == 1) return Formats();
  if (args[0] == "import") return Import(args);
  if (args[0] == "level") return Level(args);
  return Usage();
}
