#include "mail/transfer/FtpCurlSession.h"

#include <algorithm>

#include "audio/LProgress.h"
#include "core/Path.h"
#include "core/Trace.h"

namespace {

// Without a receiver of its own, curl would print what it reads to stdout.
std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

FtpCurlSession::FtpCurlSession(FtpServerAddress server, std::string user, std::string password,
                               LProgress& progress)
    : server_(std::move(server)),
      user_(std::move(user)),
      password_(std::move(password)),
      progress_(progress),
      watch_(progress),
      multi_(curl_multi_init()),
      easy_(curl_easy_init()) {}

FtpCurlSession::~FtpCurlSession() {
  // Closing the multi handle closes the cached connection, waiting for the
  // reply to QUIT; the watch cuts that wait short on a cancel.
  watch_.Arm();
  if (multi_) curl_multi_cleanup(multi_);
  watch_.Disarm();
  if (easy_) curl_easy_cleanup(easy_);
}

bool FtpCurlSession::Run(const char* what, const std::string& urlPath, const Options& options) {
  if (!multi_ || !easy_) {
    Trace("LFileTransferProtocol::%s no curl handles", what);
    return false;
  }
  SetBaseOptions(urlPath);
  options(easy_);
  const CURLcode result = Perform();
  if (result == CURLE_OK) return true;
  Trace("LFileTransferProtocol::%s %s%s failed: %s", what, server_.Url().c_str(), urlPath.c_str(),
        error_[0] ? error_ : curl_easy_strerror(result));
  return false;
}

void FtpCurlSession::SetBaseOptions(const std::string& urlPath) {
  // A reset keeps the cached connection; only the options start afresh.
  curl_easy_reset(easy_);
  error_[0] = '\0';
  refusal_.clear();
  curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, error_);
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, KeepRefusal);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  watch_.Attach(easy_);
  curl_easy_setopt(easy_, CURLOPT_URL, (server_.Url() + urlPath).c_str());
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS);
  curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStallTimeoutS);
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, kStallTimeoutS);
  // Passive mode and binary transfers are curl's defaults; kept as such.
  if (!user_.empty()) {
    curl_easy_setopt(easy_, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, password_.c_str());
  }
  if (server_.tls) curl_easy_setopt(easy_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
}

std::string FtpCurlSession::LastError() const { return refusal_.empty() ? std::string(error_) : refusal_; }

// curl hands every reply line of the FTP server to the header function; the
// last line of a 4xx or 5xx reply is kept, for the log.
std::size_t FtpCurlSession::KeepRefusal(char* data, std::size_t size, std::size_t count, void* self) {
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  const bool refusal = line.size() >= 4 && (line[0] == '4' || line[0] == '5') && line[3] == ' ';
  if (refusal) {
    std::replace_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    static_cast<FtpCurlSession*>(self)->refusal_ = CutText(line, kMaxReply);
  }
  return size * count;
}

CURLcode FtpCurlSession::Perform() {
  if (progress_.IsCancelled()) return CURLE_ABORTED_BY_CALLBACK;
  if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) return CURLE_FAILED_INIT;
  // From here until Disarm only the watch asks the progress.
  watch_.Arm();
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi_, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    if (watch_.Cancelled()) break;
    if (running == 0) {
      result = DoneResult();
      break;
    }
    curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr);
  }
  watch_.Disarm();
  // Removing an unfinished transfer closes its connection.
  curl_multi_remove_handle(multi_, easy_);
  return result;
}

CURLcode FtpCurlSession::DoneResult() {
  int left = 0;
  CURLcode result = CURLE_FAILED_INIT;
  while (const CURLMsg* message = curl_multi_info_read(multi_, &left)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) result = message->data.result;
  }
  return result;
}
