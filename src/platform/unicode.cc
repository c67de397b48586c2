#include "platform/unicode.h"

#include "platform/upper_case.h"
#include "platform/utf.h"

namespace platform {

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
    char32_t upper = c < 0x10000 ? UpperCaseUnit(static_cast<char16_t>(c)) : c;
    // Keep bytes that are not valid UTF-8 as they are, so distinct inputs
    // stay distinct.
    if (upper == c)
      out.append(utf8.substr(start, i - start));
    else
      AppendUtf8(upper, &out);
  }
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace platform
