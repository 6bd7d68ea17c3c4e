#include "mail/transfer/LFileTransferProtocol.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <optional>

#include "core/Trace.h"
#include "mail/transfer/FtpCurlSession.h"
#include "mail/transfer/FtpNameList.h"
#include "mail/transfer/WebName.h"

namespace {

// A listing longer than this is no directory of voice messages.
constexpr std::size_t kMaxListing = 8 << 20;

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, CloseFile>;

struct FreeList {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

std::size_t AppendListing(char* data, std::size_t size, std::size_t count, void* user) {
  auto& listing = *static_cast<std::string*>(user);
  const std::size_t bytes = size * count;
  if (listing.size() + bytes > kMaxListing) return 0;  // ends the transfer as failed
  listing.append(data, bytes);
  return bytes;
}

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

void NoBody(CURL* easy) { curl_easy_setopt(easy, CURLOPT_NOBODY, 1L); }

}  // namespace

LFileTransferProtocol::LFileTransferProtocol(LProgress& progress) : progress_(progress) {}

LFileTransferProtocol::~LFileTransferProtocol() = default;

bool LFileTransferProtocol::Connect() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!ready) Trace("LFileTransferProtocol::Connect() curl_global_init failed");
  });
  open_ = ready;
  return open_;
}

bool LFileTransferProtocol::LogOnServer(const std::string& server) { return LogOnServer(server, "", ""); }

bool LFileTransferProtocol::LogOnServer(const std::string& server, const std::string& user,
                                        const std::string& password) {
  LogOff();
  logOnError_.clear();
  if (!open_ && !Connect()) return false;
  const std::optional<FtpServerAddress> address = FtpServerAddress::Parse(server);
  if (!address || HasLineBreak(user) || HasLineBreak(password)) {
    Trace("LFileTransferProtocol::LogOnServer refused server \"%s\" or user", server.c_str());
    return false;
  }
  auto session = std::make_unique<FtpCurlSession>(*address, user, password, progress_);
  // Logging on and asking for the working directory proves the password.
  if (!session->Run("LogOnServer", "", NoBody)) {
    logOnError_ = session->LastError();
    return false;
  }
  session_ = std::move(session);
  return true;
}

void LFileTransferProtocol::LogOff() {
  session_.reset();
  directory_.clear();
}

void LFileTransferProtocol::Disconnect() {
  LogOff();
  open_ = false;
}

bool LFileTransferProtocol::SetCurrentDirectory(const std::string& directory) {
  return ChangeDirectory(directory, false);
}

bool LFileTransferProtocol::MakeDirectory(const std::string& directory) { return ChangeDirectory(directory, true); }

std::string LFileTransferProtocol::LastError() const { return session_ ? session_->LastError() : logOnError_; }

bool LFileTransferProtocol::ChangeDirectory(const std::string& directory, bool make) {
  if (directory.empty()) return true;
  if (!session_ || HasLineBreak(directory)) return false;
  std::string next = directory;
  if (directory.front() != '/' && !directory_.empty()) next = directory_ + "/" + directory;
  const char* what = make ? "MakeDirectory" : "SetCurrentDirectory";
  const bool changed = session_->Run(what, DirectoryUrl(next), [make](CURL* easy) {
    NoBody(easy);
    // A folder that cannot be made fails at once, with the server's reason.
    if (make) curl_easy_setopt(easy, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
  });
  if (!changed) return false;
  directory_ = std::move(next);
  return true;
}

bool LFileTransferProtocol::PutFile(const std::string& localPath, const std::string& remoteName) {
  const std::string url = FileUrl(remoteName);
  if (!session_ || url.empty()) return false;
  const FilePtr file(std::fopen(localPath.c_str(), "rb"));
  struct stat status {};
  if (!file || ::fstat(::fileno(file.get()), &status) != 0) {
    Trace("LFileTransferProtocol::PutFile cannot read %s", localPath.c_str());
    return false;
  }
  return session_->Run("PutFile", url, [&](CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy, CURLOPT_READDATA, file.get());
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(status.st_size));
  });
}

bool LFileTransferProtocol::GetFile(const std::string& remoteName, const std::string& localPath) {
  const std::string url = FileUrl(remoteName);
  if (!session_ || url.empty()) return false;
  FilePtr file(std::fopen(localPath.c_str(), "wb"));
  if (!file) {
    Trace("LFileTransferProtocol::GetFile cannot write %s", localPath.c_str());
    return false;
  }
  bool done = session_->Run("GetFile", url, [&](CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, file.get());
  });
  done = std::fclose(file.release()) == 0 && done;
  if (!done) ::unlink(localPath.c_str());
  return done;
}

bool LFileTransferProtocol::DeleteFile(const std::string& remoteName) {
  if (!session_ || remoteName.empty() || HasLineBreak(remoteName)) return false;
  // Sent after the change to the directory; a refusal fails the operation.
  const std::unique_ptr<curl_slist, FreeList> commands(curl_slist_append(nullptr, ("DELE " + remoteName).c_str()));
  if (!commands) return false;
  return session_->Run("DeleteFile", DirectoryUrl(directory_), [&](CURL* easy) {
    NoBody(easy);
    curl_easy_setopt(easy, CURLOPT_POSTQUOTE, commands.get());
  });
}

std::time_t LFileTransferProtocol::GetFileTime(const std::string& remoteName) {
  const std::string url = FileUrl(remoteName);
  if (!session_ || url.empty()) return 0;
  const bool asked = session_->Run("GetFileTime", url, [](CURL* easy) {
    NoBody(easy);
    curl_easy_setopt(easy, CURLOPT_FILETIME, 1L);
  });
  curl_off_t seconds = -1;
  if (!asked || curl_easy_getinfo(session_->Easy(), CURLINFO_FILETIME_T, &seconds) != CURLE_OK) return 0;
  return seconds > 0 ? static_cast<std::time_t>(seconds) : 0;
}

std::vector<std::string> LFileTransferProtocol::ListFiles(const std::string& pattern) {
  if (!session_) return {};
  std::string listing;
  const bool listed = session_->Run("ListFiles", DirectoryUrl(directory_), [&](CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, AppendListing);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &listing);
  });
  if (!listed) return {};
  return MatchingNames(listing, pattern);
}

std::string LFileTransferProtocol::DirectoryUrl(const std::string& directory) const {
  // curl changes into each part in turn; a leading "%2F" is the root.
  std::string url = !directory.empty() && directory.front() == '/' ? "%2F" : "";
  std::size_t start = 0;
  while (start < directory.size()) {
    const std::size_t end = std::min(directory.find('/', start), directory.size());
    if (end > start) url += UrlPathPart(std::string_view(directory).substr(start, end - start)) + "/";
    start = end + 1;
  }
  return url;
}

std::string LFileTransferProtocol::FileUrl(const std::string& remoteName) const {
  if (remoteName.empty() || HasLineBreak(remoteName)) return {};
  return DirectoryUrl(directory_) + UrlPathPart(remoteName);
}
