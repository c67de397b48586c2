#pragma once
// Small Win32 helpers shared by the two programs.

#include <windows.h>

#include <string>
#include <string_view>

namespace stub {

std::string ToUtf8(std::wstring_view wide);
std::wstring FromUtf8(std::string_view utf8);
// Code page 936 bytes (the package's text) to wide text.
std::wstring FromCodePage936(std::string_view bytes);

// `what "path": <system text for code>`, UTF-8, for error messages.
std::string Win32Error(std::string_view what, const std::wstring& path, DWORD code);

// Writes message and a line break, as UTF-8, to the standard error handle
// when the process has one (programs of the GUI subsystem usually have none).
void WriteStdErr(const std::wstring& message);

// The full path of the running program.
std::wstring ModulePath();
// Everything before the last "\" (no trailing "\" unless a drive root).
std::wstring ParentOf(const std::wstring& path);
// The text after the last "\".
std::wstring LastSegment(const std::wstring& path);

bool FileExists(const std::wstring& path);       // a file, not a folder
bool FolderExists(const std::wstring& path);
bool IsReparsePoint(const std::wstring& path);   // link or junction

}  // namespace stub
