#pragma once

#include <curl/curl.h>

#include <functional>
#include <string>

#include "mail/transfer/FtpCancelWatch.h"
#include "mail/transfer/FtpServerAddress.h"

class LProgress;

// One log-on to an FTP server through libcurl. The control connection lives
// in the connection cache of the session's multi handle, so the operations of
// one log-on share it. Each operation starts from the base options (passive,
// binary, time-outs, TLS, credentials) plus its own, and is driven in polls of
// at most kPollMs; the cancel watch ends it when the progress is cancelled.
class FtpCurlSession {
 public:
  static constexpr long kConnectTimeoutS = 10;
  // A transfer or a reply that stalls this long fails.
  static constexpr long kStallTimeoutS = 30;
  static constexpr int kPollMs = 100;
  static constexpr std::size_t kMaxReply = 200;

  using Options = std::function<void(CURL* easy)>;

  // An empty user logs on anonymously.
  FtpCurlSession(FtpServerAddress server, std::string user, std::string password,
                 LProgress& progress);
  ~FtpCurlSession();
  FtpCurlSession(const FtpCurlSession&) = delete;
  FtpCurlSession& operator=(const FtpCurlSession&) = delete;

  // Runs one operation on `urlPath` (escaped, relative to the log-on
  // directory). False, with a trace line naming `what`, when it fails or the
  // progress is cancelled (also before it starts).
  bool Run(const char* what, const std::string& urlPath, const Options& options);
  // The handle of the last operation, for its results (CURLINFO_...).
  CURL* Easy() const { return easy_; }
  // Why the last operation failed: the server's last refusal ("550 No such
  // file or directory."), else what curl saw ("Couldn't connect to server").
  std::string LastError() const;

 private:
  void SetBaseOptions(const std::string& urlPath);
  CURLcode Perform();
  CURLcode DoneResult();
  static std::size_t KeepRefusal(char* data, std::size_t size, std::size_t count, void* self);

  const FtpServerAddress server_;
  const std::string user_;
  const std::string password_;
  LProgress& progress_;
  FtpCancelWatch watch_;
  CURLM* multi_;
  CURL* easy_;
  char error_[CURL_ERROR_SIZE] = {};
  std::string refusal_;
};
