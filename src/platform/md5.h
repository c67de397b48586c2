#pragma once
// MD5 of a whole file: OpenSSL's EVP on POSIX (md5_posix.cc), the Windows
// crypto service on Windows (md5_win32.cc).

#include <array>
#include <cstdint>
#include <string>

namespace platform {

using Md5Digest = std::array<uint8_t, 16>;

// False (with a message) when the file can't be read or the crypto service
// gives no digest.
bool Md5OfFile(const std::string& path, Md5Digest* digest, std::string* err);

}  // namespace platform
