#include "ivrfile/IvrCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "audio/LProgressConsole.h"
#include "core/CommandLine.h"
#include "core/ControlSocket.h"
#include "core/DataFolders.h"
#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrProgram.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zavotel ivr save OUT.ivr [--description FILE]\n"
               "       zavotel ivr load FILE.ivr [--quiet] [--yes]\n"
               "       zavotel ivr new [--yes]\n"
               "       zavotel ivr info FILE.ivr\n");
  return kExitUsage;
}

int ExitStatus(ProcessResult result) {
  if (result == kProcessCancelled) return kExitInterrupted;
  return result == kProcessDone ? 0 : kExitFailed;
}

std::string Absolute(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

// The message boxes' Yes/No on a terminal; --yes answers for scripts.
bool Confirm(std::string_view question, bool yes) {
  if (yes) return true;
  if (::isatty(STDIN_FILENO) != 1) {
    std::fprintf(stderr, "zavotel: %.*s\n(no terminal to ask: give --yes)\n",
                 static_cast<int>(question.size()), question.data());
    return false;
  }
  std::fprintf(stderr, "%.*s [y/N] ", static_cast<int>(question.size()), question.data());
  char answer[16] = "";
  return std::fgets(answer, sizeof answer, stdin) && (answer[0] == 'y' || answer[0] == 'Y');
}

// The arguments after the verb: flags, options with a value, the rest.
struct Arguments {
  std::vector<std::string> positional;
  std::vector<std::string> flags;
  std::string description;  // --description FILE
  bool Has(std::string_view flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
  }
};

// False on an option the verb does not take.
bool Parse(const std::vector<std::string>& args, std::vector<std::string_view> known,
           Arguments& out) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!arg.starts_with("--")) {
      out.positional.push_back(arg);
    } else if (std::find(known.begin(), known.end(), arg) == known.end()) {
      return false;
    } else if (arg == "--description") {
      if (++i == args.size()) return false;
      out.description = args[i];
    } else {
      out.flags.push_back(arg);
    }
  }
  return true;
}

using OpenData = std::function<std::optional<DataFolders>()>;

constexpr int kHandOverTimeoutMs = 5000;

// An engine running on the folder loads the file itself, on its worker, so
// the program never changes under its lines. Nullopt when none runs.
std::optional<int> HandToRunningEngine(const DataFolders& folders, const std::string& path,
                                       bool quiet) {
  const LMessage load{quiet ? WM_LOADIVRFILEQUIET : WM_LOADIVRFILE, quiet ? kIvrQuietLoadByOwner : 0,
                      0, path};
  const ControlOutcome outcome =
      SendControlRequest(ControlSocketPlacesHere(folders.Root()).lookups, load, kHandOverTimeoutMs);
  if (outcome.failure == ControlFailure::kNoEngine) return std::nullopt;
  if (outcome.failure != ControlFailure::kNone || !outcome.reply.ok) {
    std::fprintf(stderr, "zavotel: the running engine did not take %s: %s\n", path.c_str(),
                 outcome.failure != ControlFailure::kNone ? outcome.detail.c_str()
                                                          : outcome.reply.text.c_str());
    return kExitFailed;
  }
  std::printf("Handed %s to the running engine; its log says how the load went\n", path.c_str());
  return 0;
}

int Load(const std::vector<std::string>& args, const OpenData& openData) {
  Arguments given;
  if (!Parse(args, {"--quiet", "--yes"}, given) || given.positional.size() != 1) return Usage();
  const std::optional<DataFolders> opened = openData();
  if (!opened) return kExitFailed;
  const DataFolders& folders = *opened;
  const bool quiet = given.Has("--quiet");
  if (!quiet && IvrProgramModified(folders) &&
      !Confirm("Loading an IVR Program File can replace existing OGMs. Are you sure you wish "
               "to proceed?",
               given.Has("--yes"))) {
    return kExitFailed;
  }
  const std::string path = Absolute(given.positional[0]);
  if (std::optional<int> handed = HandToRunningEngine(folders, path, quiet)) return *handed;
  IvrLoadOutcome outcome;
  {
    LProgressConsole progress(stderr, true);
    outcome = LoadIvrProgram(folders, path, quiet, progress);
  }
  for (const std::string& message : outcome.messages) {
    std::fprintf(stderr, "zavotel: %s\n", message.c_str());
  }
  if (outcome.result == kProcessFailed && outcome.messages.empty()) {
    std::fprintf(stderr, "zavotel: %s could not be loaded\n", path.c_str());
  }
  if (outcome.result == kProcessDone) std::printf("Loaded %s\n", path.c_str());
  if (outcome.showNotes) {
    const std::string notes =
        ReadFileText(IvrNotesPath(folders), kIvrMaxNotes).value_or("");
    std::printf("IVR Program Notes\n%s\n", notes.c_str());
  }
  return ExitStatus(outcome.result);
}

int Save(const std::vector<std::string>& args, const OpenData& openData) {
  Arguments given;
  if (!Parse(args, {"--description"}, given) || given.positional.size() != 1) return Usage();
  const std::string& description = given.description;
  if (!description.empty() && !ReadFileText(description, 1)) {
    std::fprintf(stderr, "zavotel: %s: no such description file\n", description.c_str());
    return kExitFailed;
  }
  const std::optional<DataFolders> opened = openData();
  if (!opened) return kExitFailed;
  const DataFolders& folders = *opened;
  IvrSaveDescription chosen = description.empty() ? IvrSaveDescription::Everything(folders)
                                                  : IvrSaveDescription::Read(description);
  chosen.filename = Absolute(given.positional[0]);
  const std::string path = chosen.filename;
  std::string error;
  ProcessResult result;
  {
    LProgressConsole progress(stderr, true);
    result = SaveIvrProgram(folders, std::move(chosen), progress, error);
  }
  if (!error.empty()) std::fprintf(stderr, "zavotel: %s: %s\n", path.c_str(), error.c_str());
  if (result != kProcessDone && error.empty()) {
    std::fprintf(stderr, "zavotel: %s was not saved\n", path.c_str());
  }
  if (result == kProcessDone) std::printf("Saved %s\n", path.c_str());
  return ExitStatus(result);
}

int New(const std::vector<std::string>& args, const OpenData& openData) {
  Arguments given;
  if (!Parse(args, {"--yes"}, given) || !given.positional.empty()) return Usage();
  const std::optional<DataFolders> folders = openData();
  if (!folders) return kExitFailed;
  if (!Confirm("This will delete all existing OGMs. Are you sure you wish to create a new IVR "
               "Program?",
               given.Has("--yes"))) {
    return kExitFailed;
  }
  NewIvrProgram(*folders);
  std::printf("New IVR program: the OGMs folder is empty\n");
  return 0;
}

const char* FolderName(uint8_t tag) {
  static constexpr const char* kNames[] = {"OGMs", "System Prompts", "MailBoxes", "data folder"};
  return kNames[tag];
}

void PrintRecord(const IvrRecord& record) {
  if (IvrIsFileTag(record.tag)) {
    std::printf("file      %-15s %s (%" PRIu32 " bytes)\n", FolderName(record.tag),
                record.name.c_str(), record.size);
    return;
  }
  switch (record.tag) {
    case kIvrTagOgmKeepList:
    case kIvrTagMailBoxKeepList: {
      std::printf("keep      %-15s", record.tag == kIvrTagOgmKeepList ? "OGMs" : "MailBoxes");
      for (const std::string& title : record.titles) std::printf(" \"%s\"", title.c_str());
      std::printf("\n");
      return;
    }
    case kIvrTagSetting:
      std::printf("setting   [%s] %s=%s\n", record.section.c_str(), record.key.c_str(),
                  record.value.c_str());
      return;
    case kIvrTagNotes:
      std::printf("notes     %zu bytes\n", record.text.size());
      return;
    case kIvrTagShowNotes:
      std::printf("notes     shown after loading\n");
      return;
    default:
      std::printf("end\n");
  }
}

int Info(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage();
  int64_t size = 0;
  UniqueFd fd = OpenIvrFile(args[1], size);
  if (!fd.Valid()) {
    std::fprintf(stderr, "zavotel: %s: %s\n", args[1].c_str(), ivrtext::kUnableToOpen.data());
    return kExitFailed;
  }
  IvrCheck check;
  {
    LProgressConsole progress(stderr, true);
    check = CheckIvrFile(fd.Get(), size, progress);
  }
  for (const IvrRecord& record : check.records) PrintRecord(record);
  if (!check.error.empty()) {
    std::fprintf(stderr, "zavotel: %s: %s\n", args[1].c_str(), check.error.c_str());
  }
  return ExitStatus(check.result);
}

}  // namespace

int RunIvrCommand(const std::vector<std::string>& args, const OpenData& openData) {
  if (args.empty()) return Usage();
  const std::string& verb = args[0];
  if (verb == "info") return Info(args);
  if (verb == "save") return Save(args, openData);
  if (verb == "load") return Load(args, openData);
  if (verb == "new") return New(args, openData);
  return Usage();
}
