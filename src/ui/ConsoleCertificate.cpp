#include "ui/ConsoleCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "core/FileIo.h"
#include "core/TempFile.h"

namespace console_certificate {
namespace {

constexpr long kValidSeconds = 10L * 365 * 24 * 3600;

struct Free {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(X509* certificate) const { X509_free(certificate); }
  void operator()(BIO* bio) const { BIO_free(bio); }
  void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
};
template <class T>
using Owned = std::unique_ptr<T, Free>;

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

bool AddAltNames(X509* certificate, const std::string& host) {
  const std::string names = "DNS:" + host + ",DNS:localhost,IP:127.0.0.1";
  X509V3_CTX context;
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  Owned<X509_EXTENSION> extension(
      X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, names.c_str()));
  return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

Owned<X509> SelfSigned(EVP_PKEY* key) {
  Owned<X509> certificate(X509_new());
  const std::string host = HostName();
  X509_NAME* name = certificate ? X509_get_subject_name(certificate.get()) : nullptr;
  const bool made =
      name && X509_set_version(certificate.get(), 2) == 1 &&
      ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), static_cast<long>(::time(nullptr))) == 1 &&
      X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0) &&
      X509_gmtime_adj(X509_getm_notAfter(certificate.get()), kValidSeconds) &&
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                 reinterpret_cast<const unsigned char*>(host.c_str()), -1, -1, 0) == 1 &&
      X509_set_issuer_name(certificate.get(), name) == 1 && X509_set_pubkey(certificate.get(), key) == 1 &&
      AddAltNames(certificate.get(), host) && X509_sign(certificate.get(), key, EVP_sha256()) > 0;
  return made ? std::move(certificate) : nullptr;
}

// The PEM text goes to a private temporary file first, so a half-written
// key or certificate is never found at its name.
template <class Write>
bool WritePem(const std::string& path, Write write) {
  Owned<BIO> memory(BIO_new(BIO_s_mem()));
  if (!memory || !write(memory.get())) return false;
  char* data = nullptr;
  const long size = BIO_get_mem_data(memory.get(), &data);
  TempFile file;
  return file.Valid() && WriteFully(file.Fd(), std::string_view(data, static_cast<size_t>(size))) &&
         file.MoveOver(path);
}

}  // namespace

bool EnsureSelfSigned(const std::string& certificateFile, const std::string& keyFile, std::string& error) {
  std::error_code ignored;
  if (std::filesystem::exists(certificateFile, ignored) && std::filesystem::exists(keyFile, ignored))
    return true;
  Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
  Owned<X509> certificate = key ? SelfSigned(key.get()) : nullptr;
  const bool written =
      certificate &&
      WritePem(keyFile, [&](BIO* out) {
        return PEM_write_bio_PrivateKey(out, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
      }) &&
      WritePem(certificateFile, [&](BIO* out) { return PEM_write_bio_X509(out, certificate.get()) == 1; });
  if (!written) error = "the console's certificate could not be made in " + certificateFile;
  return written;
}

}  // namespace console_certificate
