// Windows implementation of md5.h with the system's crypto service.

#include "platform/md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/win32_util.h"

namespace platform {
namespace {

struct Provider {
  HCRYPTPROV handle = 0;
  ~Provider() {
    if (handle) CryptReleaseContext(handle, 0);
  }
};

struct Hash {
  HCRYPTHASH handle = 0;
  ~Hash() {
    if (handle) CryptDestroyHash(handle);
  }
};

bool NoDigest(const std::string& path, std::string* err) {
  return win32::Fail("no MD5 digest for", path, GetLastError(), err);
}

}  // namespace

bool Md5OfFile(const std::string& path, Md5Digest* digest, std::string* err) {
  std::unique_ptr<File> file = File::Open(path, File::Mode::kRead, err);
  if (!file) return false;
  Provider provider;
  if (!CryptAcquireContextW(&provider.handle, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT))
    return NoDigest(path, err);
  Hash hash;
  if (!CryptCreateHash(provider.handle, CALG_MD5, 0, 0, &hash.handle)) return NoDigest(path, err);
  std::vector<BYTE> buf(1 << 20);
  for (;;) {
    size_t got;
    if (!file->Read(buf.data(), buf.size(), &got, err)) return false;
    if (got == 0) break;
    if (!CryptHashData(hash.handle, buf.data(), static_cast<DWORD>(got), 0))
      return NoDigest(path, err);
  }
  DWORD size = 0;
  DWORD size_len = sizeof size;
  if (!CryptGetHashParam(hash.handle, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &size_len, 0))
    return NoDigest(path, err);
  if (size != digest->size()) {
    if (err) *err = "no MD5 digest for \"" + path + "\": unexpected digest size";
    return false;
  }
  if (!CryptGetHashParam(hash.handle, HP_HASHVAL, digest->data(), &size, 0))
    return NoDigest(path, err);
  return true;
}

}  // namespace platform
