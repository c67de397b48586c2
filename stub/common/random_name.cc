#include "random_name.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "system_dll.h"

namespace stub {

bool RandomHex(size_t bytes, std::wstring* hex) {
  auto random = SystemFunction<decltype(BCryptGenRandom)>(L"bcrypt.dll", "BCryptGenRandom");
  std::vector<unsigned char> data(bytes);
  if (!random ||
      random(nullptr, data.data(), static_cast<ULONG>(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
    return false;
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  hex->clear();
  for (unsigned char b : data) {
    *hex += kHex[b >> 4];
    *hex += kHex[b & 15];
  }
  return true;
}

}  // namespace stub
