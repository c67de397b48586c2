#pragma once
// A product is its software name and publisher: the same pair is the same
// product (a new version replaces the installed one), a different pair a
// different product, whatever folder either lives in.

#include <string>

namespace stub {

// The uninstall entry's key for a product: package::ProductKeyName, the one
// rule the builder shows too.
std::wstring ProductKeyName(const std::wstring& name, const std::wstring& publisher);

// Compares two version texts by their runs of digits, so "1.10" is newer
// than "1.9" and "2.0.1" newer than "2.0". Negative when a is older than b,
// positive when newer, 0 when they are equal or either has no digit (then
// nothing is known about their order).
int CompareVersions(const std::wstring& a, const std::wstring& b);

}  // namespace stub
