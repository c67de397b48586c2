// Windows implementation of text.h with the system's code page 936 tables.
// Gives the same results as the iconv version: one '?' per character that
// code page 936 lacks (a surrogate pair counts as one character), no
// best-fit substitutes, and U+FFFD for every byte that starts no GBK
// character. Windows also maps the user-defined byte areas to the private
// use area U+E000..U+F8FF; iconv does not, so neither do we: both builds
// must write the same package bytes.

#include "platform/text.h"

#include "platform/utf.h"
#include "platform/win32_util.h"

namespace platform {
namespace {

constexpr UINT kCodePage = 936;

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsPrivateUse(wchar_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Converts one two-byte GBK character strictly; false when the pair is none.
bool DecodePair(const char* s, std::wstring* out) {
  wchar_t w[2];
  int r = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, s, 2, w, 2);
  if (r != 1 || IsPrivateUse(w[0])) return false;
  out->push_back(w[0]);
  return true;
}

}  // namespace

std::string ToCodePage936(std::string_view utf8, bool* lossy) {
  std::wstring wide = Utf8ToWide(utf8);
  bool replaced = false;
  // Characters outside the basic plane and private-use characters: one '?' each.
  std::wstring plane0;
  plane0.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    wchar_t c = wide[i];
    if (c == 0xFFFD) replaced = true;  // invalid UTF-8 on input
    if (IsSurrogate(c) || IsPrivateUse(c)) {
      if (IsHighSurrogate(c) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) ++i;
      plane0.push_back(L'?');
      replaced = true;
    } else {
      plane0.push_back(c);
    }
  }
  std::string out;
  if (!plane0.empty()) {
    BOOL used_default = FALSE;
    int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, plane0.data(),
                                static_cast<int>(plane0.size()), nullptr, 0, "?", &used_default);
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, plane0.data(),
                        static_cast<int>(plane0.size()), out.data(), n, "?", &used_default);
    replaced |= used_default != FALSE;
  }
  if (lossy) *lossy = replaced;
  return out;
}

std::string FromCodePage936(std::string_view bytes) {
  std::wstring wide;
  wide.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      wide.push_back(b);
      ++i;
    } else if (b == 0x80) {
      wide.push_back(0x20AC);  // the euro sign, code page 936's one extra single byte
      ++i;
    } else if (i + 1 < bytes.size() && DecodePair(bytes.data() + i, &wide)) {
      i += 2;
    } else {
      wide.push_back(0xFFFD);
      ++i;
    }
  }
  return WideToUtf8(wide);
}

}  // namespace platform
