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
// A new password has at least this many characters (UTF-8 sequences).
constexpr size_t kMinLength = 8;
constexpr const char* kTooShort = "A password needs at least 8 characters.";
// Said at engine start when [console] "password" holds anything but a stored
// hash (a password typed there by hand): no login can match it.
constexpr const char* kNotStored =
    "the console password in settings.ini is not set by zavotel; set it with zavotel console-password or the "
    "Console access page";

// The stored form of `password` with a fresh random salt; "" when the
// system's random source or the KDF fails.
std::string Hash(std::string_view password, int iterations = kIterations);
// `bytes` from the system's random source as lower-case hex (session ids
// and tokens too); "" when the source fails.
std::string RandomHex(size_t bytes);
// True when `password` matches `stored`; false for any malformed stored text.
bool Verify(std::string_view password, std::string_view stored);
// Whether `stored` is a hash of the form above.
bool IsStored(std::string_view stored);
// Whether `password` is long enough to be set (kMinLength).
bool LongEnough(std::string_view password);

}  // namespace console_password
