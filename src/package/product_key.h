#pragma once
// The product's identity as Windows records it: the key of its uninstall
// entry (what deployment tools call its product code). A product is its
// software name and publisher as the package stores them: the same pair is
// the same product, so a package of that pair upgrades an installed one,
// whatever folder either lives in. The builder shows the key; the setup
// program and the uninstaller file the entry under it.

#include <string>
#include <string_view>

namespace package {

// A readable prefix (the first 64 UTF-16 units of the name, with control
// characters and "\" replaced by "_"), "_" and 16 hex digits of an FNV-1a
// hash over the name, a 16-bit zero and the publisher (each UTF-16 unit as
// two bytes, low byte first). Stable across versions, at most 81
// characters, never holding "\".
std::u16string ProductKeyName(std::u16string_view name, std::u16string_view publisher);

// The same for UTF-8 values, as UTF-8.
std::string ProductKeyNameUtf8(std::string_view name, std::string_view publisher);

}  // namespace package
