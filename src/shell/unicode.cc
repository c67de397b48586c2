#include "shell/unicode.h"

namespace shell {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point at s[*i] and advances *i; invalid input gives
// U+FFFD and advances by one byte (or past a truncated sequence).
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

char32_t ToLower(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if ((c >= 0x100 && c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177))
    return c % 2 == 0 ? c + 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? c + 1 : c;
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

}  // namespace

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

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) n += NextCodePoint(utf8, &i) >= 0x10000 ? 2 : 1;
  return n;
}

std::string TruncateUtf16(std::string_view utf8, size_t max_units) {
  size_t units = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t next = i;
    size_t width = NextCodePoint(utf8, &next) >= 0x10000 ? 2 : 1;
    if (units + width > max_units) break;
    units += width;
    i = next;
  }
  return std::string(utf8.substr(0, i));
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t start = i;
    char32_t c = NextCodePoint(utf8, &i);
    char32_t lower = ToLower(c);
    // Keep bytes that are not valid UTF-8 as they are, so distinct inputs
    // stay distinct.
    if (lower == c)
      out.append(utf8.substr(start, i - start));
    else
      AppendUtf8(lower, &out);
  }
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace shell
