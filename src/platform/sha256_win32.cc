// Windows implementation of sha256.h with the system's crypto service
// (advapi32, which every Windows program loads anyway; the AES provider
// carries SHA-256).

#include "platform/sha256.h"

#include <windows.h>
#include <wincrypt.h>

#include "platform/win32_util.h"

namespace platform {

struct Sha256::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  DWORD error = 0;  // the first failure, 0 while all is well
  ~State() {
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(state_->provider, CALG_SHA_256, 0, 0, &state_->hash))
    state_->error = GetLastError() ? GetLastError() : ERROR_NOT_SUPPORTED;
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t n) {
  const BYTE* p = static_cast<const BYTE*>(data);
  while (state_->error == 0 && n > 0) {
    DWORD piece = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    if (!CryptHashData(state_->hash, p, piece, 0)) state_->error = GetLastError();
    p += piece;
    n -= piece;
  }
}

bool Sha256::Finish(Sha256Digest* digest, std::string* err) {
  DWORD size = static_cast<DWORD>(digest->size());
  if (state_->error == 0 && !CryptGetHashParam(state_->hash, HP_HASHVAL, digest->data(), &size, 0))
    state_->error = GetLastError();
  if (state_->error == 0 && size != digest->size()) state_->error = ERROR_INVALID_DATA;
  if (state_->error != 0) {
    if (err) *err = "no SHA-256 digest available: " + win32::ErrorText(state_->error);
    return false;
  }
  state_->error = ERROR_INVALID_HANDLE;  // finished: no second digest
  return true;
}

}  // namespace platform
