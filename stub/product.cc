#include "product.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace stub {
namespace {

constexpr size_t kPrefixChars = 64;

// FNV-1a over the UTF-16 code units, each as two bytes.
void Hash(uint64_t* h, const std::wstring& text) {
  for (wchar_t c : text) {
    for (int shift : {0, 8}) {
      *h ^= (static_cast<uint16_t>(c) >> shift) & 0xFF;
      *h *= 0x100000001B3ull;
    }
  }
}

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

std::wstring ProductKeyName(const std::wstring& name, const std::wstring& publisher) {
  uint64_t h = 0xCBF29CE484222325ull;
  Hash(&h, name);
  Hash(&h, std::wstring(1, L'\0'));  // "ab"+"c" and "a"+"bc" differ
  Hash(&h, publisher);
  std::wstring key;
  for (wchar_t c : name.substr(0, kPrefixChars)) key += (c < 0x20 || c == L'\\') ? L'_' : c;
  static const wchar_t kHex[] = L"0123456789abcdef";
  key += L'_';
  for (int shift = 60; shift >= 0; shift -= 4) key += kHex[(h >> shift) & 0xF];
  return key;
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
