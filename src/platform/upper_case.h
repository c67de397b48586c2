#pragma once
// The one case key of every program: Windows (NTFS) tells two file names
// apart by their upper-cased UTF-16 code units, one unit at a time. The
// builder, `qrpack extract`, setup and the uninstaller compare names by this
// key, so they all agree with each other and with the file system.
// docs/format.md (names a package may hold) says which letters pair up.

#include <string>
#include <string_view>

namespace platform {

// The upper-case form of one UTF-16 code unit: Unicode's simple upper-case
// mapping where it makes a case pair (ÿ takes Ÿ, ᾀ takes ᾈ, ς takes Σ);
// every other unit, surrogates included, stays as it is (ß, ı, ſ, İ, µ).
char16_t UpperCaseUnit(char16_t c);

// text with every code unit upper-cased: the key by which Windows compares
// names. Equal keys name one file.
std::u16string UpperCaseKey(std::u16string_view text);

// Whether a and b are one name to Windows.
bool SameUpperCaseKey(std::u16string_view a, std::u16string_view b);

}  // namespace platform
