#include "package/product_key.h"

#include <cstdint>

#include "platform/utf.h"

namespace package {
namespace {

constexpr size_t kPrefixChars = 64;

// FNV-1a over the UTF-16 code units, each as two bytes.
void Hash(uint64_t* h, std::u16string_view text) {
  for (char16_t c : text) {
    for (int shift : {0, 8}) {
      *h ^= (static_cast<uint16_t>(c) >> shift) & 0xFF;
      *h *= 0x100000001B3ull;
    }
  }
}

}  // namespace

std::u16string ProductKeyName(std::u16string_view name, std::u16string_view publisher) {
  uint64_t h = 0xCBF29CE484222325ull;
  Hash(&h, name);
  Hash(&h, std::u16string_view(u"\0", 1));  // "ab"+"c" and "a"+"bc" differ
  Hash(&h, publisher);
  std::u16string key;
  for (char16_t c : name.substr(0, kPrefixChars)) key += (c < 0x20 || c == u'\\') ? u'_' : c;
  static const char16_t kHex[] = u"0123456789abcdef";
  key += u'_';
  for (int shift = 60; shift >= 0; shift -= 4) key += kHex[(h >> shift) & 0xF];
  return key;
}

std::string ProductKeyNameUtf8(std::string_view name, std::string_view publisher) {
  return platform::Utf16ToUtf8(
      ProductKeyName(platform::Utf8ToUtf16(name), platform::Utf8ToUtf16(publisher)));
}

}  // namespace package
