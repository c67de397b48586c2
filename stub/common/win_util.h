#pragma once
// Small Win32 helpers shared by the two programs.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/utf.h"
#include "platform/win32_util.h"

namespace stub {

// The platform layer's existence tests, by their short names.
using platform::win32::FileExists;
using platform::win32::FolderExists;
using platform::win32::IsReparsePoint;

// The system's own text for an error code, in the system's language; a
// code the system has no text for is named by its number.
std::wstring SystemErrorText(DWORD code);
// what“path”（the system's text for code）: a failure naming a file.
std::wstring SystemError(std::wstring_view what, const std::wstring& path, DWORD code);

// Writes message and a line break, as UTF-8, to the standard error handle
// when the process has one (programs of the GUI subsystem usually have none).
void WriteStdErr(const std::wstring& message);

// The full path of the running program.
std::wstring ModulePath();

// The user's temporary folder without its trailing "\", or "" when the
// system names none that fits MAX_PATH.
std::wstring UserTempFolder();
// Everything before the last "\" (no trailing "\" unless a drive root).
std::wstring ParentOf(const std::wstring& path);
// The text after the last "\".
std::wstring LastSegment(const std::wstring& path);

// Whether a and b are the same text with letter case ignored, as Windows
// compares names: by the one case key of platform/upper_case.h.
bool SameNoCase(std::wstring_view a, std::wstring_view b);
// path upper-cased by that key: the key of sets of paths compared that way.
std::wstring NoCaseKey(const std::wstring& path);

}  // namespace stub
