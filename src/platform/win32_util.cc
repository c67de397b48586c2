// Helpers shared by the Windows implementations of the platform layer.

#include "platform/win32_util.h"

#include "platform/utf.h"

namespace platform::win32 {

namespace {

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace

bool PathExists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReparsePoint(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::wstring WidePath(const std::string& path) {
  // Directories are limited to 248 characters, files to 260, without the prefix.
  constexpr size_t kShortLimit = 248;
  std::wstring wide = Utf8ToWide(path);
  if (wide.size() < kShortLimit || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string ErrorText(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::wstring text(buf ? buf : L"", n);
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) return "error " + std::to_string(code);
  return WideToUtf8(text);
}

std::string ErrorMessage(std::string_view what, std::string_view path, DWORD code) {
  return std::string(what) + " \"" + std::string(path) + "\": " + ErrorText(code);
}

bool Fail(const std::string& what, const std::string& path, DWORD code, std::string* err) {
  if (err) *err = ErrorMessage(what, path, code);
  return false;
}

}  // namespace platform::win32
