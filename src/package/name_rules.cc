#include "package/name_rules.h"

#include <string>

namespace package {

bool IsForbiddenNameChar(char16_t c) {
  return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' || c == u'\\' ||
         c == u'|' || c == u'?' || c == u'*';
}

bool IsDeviceName(std::u16string_view part) {
  std::u16string base(part.substr(0, part.find(u'.')));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  for (char16_t& c : base)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL" || base == u"CONIN$" ||
      base == u"CONOUT$")
    return true;
  if (base.size() != 4 || (base.compare(0, 3, u"COM") != 0 && base.compare(0, 3, u"LPT") != 0))
    return false;
  char16_t d = base[3];
  return (d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
}

NamePartFault CheckNamePart(std::u16string_view part) {
  if (part.empty()) return NamePartFault::kEmpty;
  if (part == u"." || part == u"..") return NamePartFault::kDotSegment;
  for (char16_t c : part)
    if (IsForbiddenNameChar(c)) return NamePartFault::kForbiddenChar;
  if (part.back() == u'.' || part.back() == u' ') return NamePartFault::kEndsWithDotOrSpace;
  if (IsDeviceName(part)) return NamePartFault::kDeviceName;
  return NamePartFault::kNone;
}

}  // namespace package
