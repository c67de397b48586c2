#pragma once
// Unicode helpers for the portable core, whose text is UTF-8 (the
// conversions themselves are in platform/utf.h). The window toolkit counts
// text in UTF-16 code units, so lengths that the user sees (an editor's
// maximum length, a stored value's length) are counted that way.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Number of UTF-16 code units the text takes.
size_t Utf16Length(std::string_view utf8);

// The first max_units UTF-16 code units of the text. A surrogate pair that
// would be split is left out whole.
std::string TruncateUtf16(std::string_view utf8, size_t max_units);

// The key for comparing paths without regard to letter case, as UTF-8: every
// character upper-cased as Windows compares names (platform/upper_case.h).
// The same on every OS, so Linux and Windows builds agree.
std::string FoldCase(std::string_view utf8);

// FoldCase(a) == FoldCase(b).
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
