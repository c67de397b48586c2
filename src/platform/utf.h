#pragma once
// UTF-8 (the core's text) to and from UTF-16 and wchar_t text (the Win32
// API's), the one conversion every program uses. Plain code, the same on
// every OS.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 becomes U+FFFD; a lone surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// wchar_t text: UTF-16 on Windows, UTF-32 elsewhere.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Decodes the code point at utf8[*i] and advances *i; invalid input gives
// U+FFFD and advances by one byte (or past a truncated sequence).
char32_t NextCodePoint(std::string_view utf8, size_t* i);
// Appends the UTF-8 form of a code point.
void AppendUtf8(char32_t cp, std::string* out);

}  // namespace platform
