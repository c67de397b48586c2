#include "platform/utf.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(char32_t cp, std::u16string* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 | (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
  }
}

// Decodes UTF-16 code units (char16_t or a UTF-16 wchar_t).
template <typename Unit>
std::string FromUtf16(std::basic_string_view<Unit> in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = static_cast<char16_t>(in[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() &&
        static_cast<char16_t>(in[i + 1]) >= 0xDC00 && static_cast<char16_t>(in[i + 1]) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(in[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

}  // namespace

char32_t NextCodePoint(std::string_view s, size_t* i) {
  unsigned char lead = static_cast<unsigned char>(s[*i]);
  ++*i;
  if (lead < 0x80) return lead;
  size_t len;
  char32_t cp;
  if (lead >= 0xC2 && lead < 0xE0) {
    len = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    len = 2;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    len = 3;
    cp = lead & 0x07;
  } else {
    return kReplacement;
  }
  for (size_t k = 0; k < len; ++k) {
    if (*i >= s.size()) return kReplacement;
    unsigned char c = static_cast<unsigned char>(s[*i]);
    if ((c & 0xC0) != 0x80) return kReplacement;
    cp = (cp << 6) | (c & 0x3F);
    ++*i;
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if ((len == 2 && cp < 0x800) || (len == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return kReplacement;
  return cp;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) AppendUtf16(NextCodePoint(utf8, &i), &out);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) { return FromUtf16(utf16); }

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  if constexpr (sizeof(wchar_t) == 2) {
    std::u16string u = Utf8ToUtf16(utf8);
    out.assign(u.begin(), u.end());
  } else {
    for (size_t i = 0; i < utf8.size();) out.push_back(static_cast<wchar_t>(NextCodePoint(utf8, &i)));
  }
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  if constexpr (sizeof(wchar_t) == 2) return FromUtf16(wide);
  std::string out;
  for (wchar_t w : wide) {
    char32_t c = static_cast<char32_t>(w);
    AppendUtf8(c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c, &out);
  }
  return out;
}

}  // namespace platform
