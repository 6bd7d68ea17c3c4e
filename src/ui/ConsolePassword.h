#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The console password is kept only as a salted PBKDF2-HMAC-SHA256 hash in
// [console] "password": "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>".
// The iteration count travels with the hash so it can grow later without
// breaking stored passwords.
namespace console_password {

constexpr int kIterations = 310000;
constexpr int kMinIterations = 1000;

// The stored form of `password` with a fresh random salt; "" when the
// system's random source or the KDF fails.
std::string Hash(std::string_view password, int iterations = kIterations);
// `bytes` from the system's random source as lower-case hex (session ids
// and tokens too); "" when the source fails.
std::string RandomHex(size_t bytes);
// True when `password` matches `stored`; false for any malformed stored text.
bool Verify(std::string_view password, std::string_view stored);

}  // namespace console_password
