#pragma once
// The names Windows can create: one set of rules for every program that
// stores or creates files by name (the builder refuses a package name that
// breaks them, setup and the uninstaller refuse a package or name index that
// holds one). Portable, on UTF-16 code units as Windows sees names.

#include <string_view>

namespace package {

// What is wrong with one part of a path (a file or folder name), in the
// order the rules are tried.
enum class NamePartFault {
  kNone,
  kEmpty,               // ""
  kDotSegment,          // "." or ".."
  kForbiddenChar,       // a control character or < > : " / \ | ? *
  kEndsWithDotOrSpace,  // Windows drops a trailing dot or space
  kDeviceName,          // CON, PRN, AUX, NUL, COM0..9, LPT0..9, CONIN$, CONOUT$
};

// A character Windows forbids in a name (the path separator "\" included).
bool IsForbiddenNameChar(char16_t c);

// Whether Windows opens a device for part: CON, PRN, AUX, NUL, COM0..9 and
// LPT0..9 (also with the superscript digits ¹²³ Windows takes as device
// numbers), CONIN$ and CONOUT$, in any letter case, with any extension and
// with spaces before it ("nul .txt").
bool IsDeviceName(std::u16string_view part);

// The first rule part breaks, or kNone.
NamePartFault CheckNamePart(std::u16string_view part);

}  // namespace package
