#pragma once
// Helpers shared by the Windows implementations of the platform layer.
// Only compiled on Windows.

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// What a wide path names, by its attributes: anything at all, a file (not a
// folder), a folder, a link or junction. False when the path names nothing.
bool PathExists(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
bool IsReparsePoint(const std::wstring& path);

// The wide form of a path for the file APIs: paths of 248 characters or more
// are made absolute and given the \\?\ (or \\?\UNC\) prefix so that they pass
// the MAX_PATH limit.
std::wstring WidePath(const std::string& path);

// The system's text for an error code, without the trailing line break.
std::string ErrorText(DWORD code);

// `what "path": <system text>`.
std::string ErrorMessage(std::string_view what, std::string_view path, DWORD code);

// Puts ErrorMessage(what, path, code) into *err (when given) and returns false.
bool Fail(const std::string& what, const std::string& path, DWORD code, std::string* err);

}  // namespace platform::win32
