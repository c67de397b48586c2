#pragma once
// Helpers shared by the Windows implementations of the platform layer.
// Only compiled on Windows.

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// UTF-8 <-> UTF-16 with the system's converter; invalid input becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The wide form of a path for the file APIs: paths of 248 characters or more
// are made absolute and given the \\?\ (or \\?\UNC\) prefix so that they pass
// the MAX_PATH limit.
std::wstring WidePath(const std::string& path);

// The system's text for an error code, without the trailing line break.
std::string ErrorText(DWORD code);

// Puts `what "path": <system text>` into *err (when given) and returns false.
bool Fail(const std::string& what, const std::string& path, DWORD code, std::string* err);

}  // namespace platform::win32
