#pragma once

#include <string>

// The console's own certificate, made on first use when it must speak TLS
// and no certificate is configured. Browsers warn about it until the owner
// trusts it or configures a certificate of their own.
namespace console_certificate {

// Makes a self-signed certificate and its key (readable by their owner only)
// for this machine's name unless both files exist. False, with the reason
// in `error`, when they could not be made.
bool EnsureSelfSigned(const std::string& certificateFile, const std::string& keyFile,
                      std::string& error);

}  // namespace console_certificate
