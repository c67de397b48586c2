// POSIX implementation of md5.h with OpenSSL's EVP interface.

#include "platform/md5.h"

#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "platform/files.h"

namespace platform {

bool Md5OfFile(const std::string& path, Md5Digest* digest, std::string* err) {
  std::unique_ptr<File> file = File::Open(path, File::Mode::kRead, err);
  if (!file) return false;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) {
    if (err) *err = "no MD5 digest available for \"" + path + "\"";
    return false;
  }
  std::vector<unsigned char> buf(1 << 20);
  for (;;) {
    size_t got;
    if (!file->Read(buf.data(), buf.size(), &got, err)) return false;
    if (got == 0) break;
    if (EVP_DigestUpdate(ctx.get(), buf.data(), got) != 1) {
      if (err) *err = "MD5 digest failed for \"" + path + "\"";
      return false;
    }
  }
  unsigned int len = 0;
  unsigned char out[EVP_MAX_MD_SIZE];
  if (EVP_DigestFinal_ex(ctx.get(), out, &len) != 1 || len != digest->size()) {
    if (err) *err = "MD5 digest failed for \"" + path + "\"";
    return false;
  }
  std::copy(out, out + len, digest->begin());
  return true;
}

}  // namespace platform
