#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

class FtpCurlSession;
class LProgress;

// The FTP client of the delivery task (uploads and the update check). Idle
// after construction, open after Connect, connected after LogOnServer; one
// control connection serves every operation of a log-on. Transfers are
// passive and binary. Linux has no dial-up on demand, so nothing is ever
// dialled or hung up. Every operation reports failure as false (0 for
// GetFileTime, nothing for ListFiles) with a trace line; callers log.
// Used by one thread at a time.
class LFileTransferProtocol {
 public:
  // `progress` is asked between and during transfers: once IsCancelled() is
  // true every running transfer ends within about 200 ms and fails, and so
  // does every later operation.
  explicit LFileTransferProtocol(LProgress& progress);
  ~LFileTransferProtocol();
  LFileTransferProtocol(const LFileTransferProtocol&) = delete;
  LFileTransferProtocol& operator=(const LFileTransferProtocol&) = delete;

  // Ready to log on: the transfer library is set up (once per process).
  bool Connect();
  // Closes an earlier connection, then logs on (anonymously, or with `user`
  // unless it is empty) to "host", "host:port", "ftp://host[:port]" or
  // "ftps://host[:port]" (FTP over TLS, certificate verified), and checks
  // the log-on, so a refused password fails here.
  bool LogOnServer(const std::string& server);
  bool LogOnServer(const std::string& server, const std::string& user, const std::string& password);
  void LogOff();
  void Disconnect();

  // Relative to the current directory, or absolute with a leading "/"; a
  // directory the server does not have fails and changes nothing. "" is
  // success, even when not connected.
  bool SetCurrentDirectory(const std::string& directory);
  // The same, making each missing folder of `directory` first (MKD, one
  // level at a time).
  bool MakeDirectory(const std::string& directory);
  // Stores the local file under `remoteName`, replacing a file of that name.
  bool PutFile(const std::string& localPath, const std::string& remoteName);
  // Writes the server file to `localPath` (replaced); on failure nothing is
  // left there.
  bool GetFile(const std::string& remoteName, const std::string& localPath);
  bool DeleteFile(const std::string& remoteName);
  // The file's last-write time (MDTM) in seconds since 1970; 0 when the
  // server has no such file or tells no time, or when not connected.
  std::time_t GetFileTime(const std::string& remoteName);
  // Names in the current directory matching `pattern` ("*.wav"), from a
  // name listing; empty on failure.
  std::vector<std::string> ListFiles(const std::string& pattern);
  // Why the last operation (or log-on) failed, as the server or the
  // transfer library said it; for the log.
  std::string LastError() const;

 private:
  // The escaped URL path of the current directory, "" or ending with "/".
  std::string DirectoryUrl(const std::string& directory) const;
  // The escaped URL path of a file in the current directory; "" for a name
  // that is empty or holds a line break (it would end the FTP command).
  std::string FileUrl(const std::string& remoteName) const;
  bool ChangeDirectory(const std::string& directory, bool make);

  LProgress& progress_;
  bool open_ = false;
  std::unique_ptr<FtpCurlSession> session_;
  std::string logOnError_;
  // As given to the server: absolute with a leading "/", else relative to
  // the log-on directory; "" for the log-on directory itself.
  std::string directory_;
};
