#include "ui/ConsolePassword.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace console_password {
namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;
constexpr int kMaxIterations = 10000000;

std::string ToHex(const std::vector<unsigned char>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::optional<std::vector<unsigned char>> FromHex(std::string_view hex) {
  if (hex.empty() || hex.size() % 2) return std::nullopt;
  std::vector<unsigned char> out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out.push_back(static_cast<unsigned char>(value));
  }
  return out;
}

std::optional<std::vector<unsigned char>> Derive(std::string_view password,
                                                 const std::vector<unsigned char>& salt,
                                                 int iterations, size_t length) {
  std::vector<unsigned char> out(length);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                        static_cast<int>(salt.size()), iterations, EVP_sha256(),
                        static_cast<int>(out.size()), out.data()) != 1)
    return std::nullopt;
  return out;
}

// Splits "a$b$c$d" into exactly four fields.
std::optional<std::vector<std::string_view>> Fields(std::string_view stored) {
  if (std::count(stored.begin(), stored.end(), '$') != 3) return std::nullopt;
  std::vector<std::string_view> fields;
  for (size_t end = stored.find('$'); end != std::string_view::npos; end = stored.find('$')) {
    fields.push_back(stored.substr(0, end));
    stored.remove_prefix(end + 1);
  }
  fields.push_back(stored);
  return fields;
}

// A stored hash's parts.
struct Stored {
  int iterations = 0;
  std::vector<unsigned char> salt;
  std::vector<unsigned char> hash;
};

std::optional<Stored> Parse(std::string_view stored) {
  std::optional<std::vector<std::string_view>> fields = Fields(stored);
  if (!fields || (*fields)[0] != kScheme) return std::nullopt;
  Stored parsed;
  const std::string_view count = (*fields)[1];
  auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), parsed.iterations);
  if (error != std::errc() || end != count.data() + count.size() || parsed.iterations < kMinIterations ||
      parsed.iterations > kMaxIterations)
    return std::nullopt;
  std::optional<std::vector<unsigned char>> salt = FromHex((*fields)[2]);
  std::optional<std::vector<unsigned char>> hash = FromHex((*fields)[3]);
  if (!salt || !hash || hash->size() != kHashBytes) return std::nullopt;
  parsed.salt = std::move(*salt);
  parsed.hash = std::move(*hash);
  return parsed;
}

}  // namespace

std::string Hash(std::string_view password, int iterations) {
  if (iterations < kMinIterations || iterations > kMaxIterations) return "";
  std::vector<unsigned char> salt(kSaltBytes);
  if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1) return "";
  std::optional<std::vector<unsigned char>> hash = Derive(password, salt, iterations, kHashBytes);
  if (!hash) return "";
  return std::string(kScheme) + "$" + std::to_string(iterations) + "$" + ToHex(salt) + "$" +
         ToHex(*hash);
}

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  if (RAND_bytes(raw.data(), static_cast<int>(raw.size())) != 1) return "";
  return ToHex(raw);
}

bool Verify(std::string_view password, std::string_view stored) {
  const std::optional<Stored> parsed = Parse(stored);
  if (!parsed) return false;
  std::optional<std::vector<unsigned char>> actual =
      Derive(password, parsed->salt, parsed->iterations, parsed->hash.size());
  return actual && CRYPTO_memcmp(actual->data(), parsed->hash.data(), parsed->hash.size()) == 0;
}

bool IsStored(std::string_view stored) { return Parse(stored).has_value(); }

bool LongEnough(std::string_view password) {
  const auto starts = std::count_if(password.begin(), password.end(),
                                    [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
  return static_cast<size_t>(starts) >= kMinLength;
}

}  // namespace console_password
