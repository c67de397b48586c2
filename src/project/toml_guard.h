#pragma once
// A check that runs before toml++ sees a document. toml++ 3.3 (Debian 12)
// reaches __builtin_unreachable, undefined behaviour, when it asks whether
// some non-ASCII characters are whitespace (U+00A1..U+0499, U+2C8E..U+3087,
// U+FC26..U+FEFE): it asks for every character of a key, between tokens and
// in a multi-line basic string after a line-ending backslash. TOML allows
// non-ASCII characters only in comments, string values and quoted keys, and
// every key of a project file is ASCII, so those characters are taken in
// comments and string values only (the dangerous ones not in multi-line
// basic strings) and refused anywhere else.

#include <cstdint>
#include <string_view>

namespace project {

struct UnsafeCharacter {
  int line = 0;           // from 1
  uint32_t code_point = 0;  // U+FFFD for a byte that starts no UTF-8 character
};

// The first character toml++ must not see, or false when there is none.
bool FindUnsafeCharacter(std::string_view text, UnsafeCharacter* found);

}  // namespace project
