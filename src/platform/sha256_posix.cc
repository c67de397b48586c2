// POSIX implementation of sha256.h with OpenSSL's EVP interface.

#include "platform/sha256.h"

#include <openssl/evp.h>

namespace platform {

struct Sha256::State {
  EVP_MD_CTX* ctx = nullptr;
  bool ok = false;
  ~State() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->ctx = EVP_MD_CTX_new();
  state_->ok = state_->ctx && EVP_DigestInit_ex(state_->ctx, EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t n) {
  if (state_->ok && n > 0) state_->ok = EVP_DigestUpdate(state_->ctx, data, n) == 1;
}

bool Sha256::Finish(Sha256Digest* digest, std::string* err) {
  unsigned int len = 0;
  unsigned char out[EVP_MAX_MD_SIZE];
  if (!state_->ok || EVP_DigestFinal_ex(state_->ctx, out, &len) != 1 || len != digest->size()) {
    state_->ok = false;
    if (err) *err = "no SHA-256 digest available";
    return false;
  }
  std::copy(out, out + len, digest->begin());
  state_->ok = false;
  return true;
}

}  // namespace platform
