#include "platform/unicode.h"

#include "platform/utf.h"

namespace platform {
namespace {

using platform::AppendUtf8;
using platform::NextCodePoint;

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

}  // namespace platform
