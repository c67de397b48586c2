#pragma once
// SHA-256, fed in pieces: OpenSSL's EVP on POSIX (sha256_posix.cc), the
// Windows crypto service on Windows (sha256_win32.cc).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, size_t n);
  // The digest of everything passed to Update. False (with a message) when
  // the crypto service gave no digest. Call once.
  bool Finish(Sha256Digest* digest, std::string* err);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
