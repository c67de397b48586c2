#include "product.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "package/product_key.h"

namespace stub {
namespace {

// The numbers of a version text, one per run of digits (capped, so a long
// run cannot overflow).
std::vector<uint64_t> Numbers(const std::wstring& v) {
  std::vector<uint64_t> out;
  bool in_run = false;
  for (wchar_t c : v) {
    if (c >= L'0' && c <= L'9') {
      if (!in_run) out.push_back(0);
      in_run = true;
      uint64_t& n = out.back();
      n = n > 1000000000000ull ? n : n * 10 + static_cast<uint64_t>(c - L'0');
    } else {
      in_run = false;
    }
  }
  return out;
}

}  // namespace

// wchar_t is a UTF-16 unit on Windows: the texts pass unit for unit.
std::wstring ProductKeyName(const std::wstring& name, const std::wstring& publisher) {
  std::u16string key = package::ProductKeyName(std::u16string(name.begin(), name.end()),
                                               std::u16string(publisher.begin(), publisher.end()));
  return std::wstring(key.begin(), key.end());
}

int CompareVersions(const std::wstring& a, const std::wstring& b) {
  std::vector<uint64_t> x = Numbers(a), y = Numbers(b);
  if (x.empty() || y.empty()) return 0;
  size_t n = std::max(x.size(), y.size());
  x.resize(n, 0);
  y.resize(n, 0);
  for (size_t i = 0; i < n; ++i)
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  return 0;
}

}  // namespace stub
